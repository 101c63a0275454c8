// Keep-alive round trips through the worker with 1, 64 and 512 connections, and the resident
// memory of the process with 2048 idle connections. The server runs in this process on
// 127.0.0.1; the peers are plain blocking sockets, which cost the process no memory of its own.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/default_files.h"
#include "base/program_folder.h"
#include "base/settings.h"
#include "net/network_worker.h"
#include "net/wire_records.h"
#include "recorder/record_requests.h"
#include "store/database_maintenance.h"
#include "store/engine.h"
#include "store/store_startup.h"

namespace orlentis {
namespace {

constexpr int kIdleConnections = 2048;

class Peer {
 public:
  explicit Peer(std::uint16_t port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      throw std::runtime_error("cannot connect");
    }
  }
  ~Peer() { ::close(fd_); }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  void Send(ConstByteSpan record) { ::send(fd_, record.data(), record.size(), MSG_NOSIGNAL); }
  void ReceiveStatus() {
    std::uint8_t reply[status_layout::kSize];
    std::size_t received = 0;
    while (received < sizeof reply) {
      const ssize_t got = ::recv(fd_, reply + received, sizeof reply - received, 0);
      if (got <= 0) throw std::runtime_error("connection ended");
      received += static_cast<std::size_t>(got);
    }
  }

 private:
  int fd_;
};

// A fresh program folder with its database, the start-up maintenance done, and a worker
// listening on a port the system chose.
class BenchServer {
 public:
  BenchServer() {
    std::string folder = "/tmp/orlentis-bench-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder_ = folder;
    ::setenv("ORLENTIS_ADMIN_PASSWORD", "bench", 1);
    SetProgramFolder(folder_);
    WriteDefaultProgramFiles(folder_);
    PrepareDatabase(folder_ / kDatabaseFileName);
    DatabaseMaintenance::Instance().RunMaintenance();
    settings_ = std::make_unique<Settings>(folder_ / kSettingsFileName);
    WorkerOptions options;
    options.bindAddress = "127.0.0.1";
    options.settings = settings_.get();
    worker_ = std::make_unique<NetworkWorker>(options);
    worker_->Start();
  }
  ~BenchServer() {
    worker_->Stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::vector<std::unique_ptr<Peer>> RegisteredPeers(int count) const {
    const auto checkIn = EncodeSiteRecord(CMD_SITE_CHECKIN, u"Bench", kAccountCheckTag, 0);
    std::vector<std::unique_ptr<Peer>> peers;
    for (int i = 0; i < count; ++i) {
      peers.push_back(std::make_unique<Peer>(worker_->Port()));
      peers.back()->Send(checkIn);
      peers.back()->ReceiveStatus();
    }
    return peers;
  }

 private:
  std::filesystem::path folder_;
  std::unique_ptr<Settings> settings_;
  std::unique_ptr<NetworkWorker> worker_;
};

BenchServer& Server() {
  static BenchServer server;
  return server;
}

double ResidentMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0.0;
}

void RaiseDescriptorLimit() {
  rlimit limit{};
  ::getrlimit(RLIMIT_NOFILE, &limit);
  limit.rlim_cur = limit.rlim_max;
  ::setrlimit(RLIMIT_NOFILE, &limit);
}

// Every connection has one keep-alive in flight at a time, as a recorder would.
void KeepAliveRoundTrips(benchmark::State& state) {
  const auto peers = Server().RegisteredPeers(static_cast<int>(state.range(0)));
  auto keepAlive = EncodeKeepAlive(0);
  for (auto _ : state) {
    for (const auto& peer : peers) peer->Send(keepAlive);
    for (const auto& peer : peers) peer->ReceiveStatus();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(KeepAliveRoundTrips)->Arg(1)->Arg(64)->Arg(512)->UseRealTime();

void IdleConnectionsResidentMemory(benchmark::State& state) {
  for (auto _ : state) {
    const double before = ResidentMiB();
    const auto peers = Server().RegisteredPeers(kIdleConnections);
    const double after = ResidentMiB();
    state.counters["VmRSS_MiB"] = after;
    state.counters["per_connection_KiB"] = (after - before) * 1024.0 / kIdleConnections;
  }
}
BENCHMARK(IdleConnectionsResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orlentis

int main(int argc, char** argv) {
  orlentis::RaiseDescriptorLimit();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
