#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "directory/ip_filter.h"
#include "support/app/orlentis_process.h"
#include "support/base/child_process.h"
#include "support/base/temp_folder.h"
#include "support/net/recorder_services_server.h"

namespace orlentis::testing {
namespace {

constexpr int kRunLimitMs = 60000;

// A listening socket on 127.0.0.1 at a port the system chose. The kernel completes
// connections into its backlog, so a peer can connect and send even when nobody accepts.
class Listener {
 public:
  Listener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd_, 8) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
  }
  ~Listener() { Close(); }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int Fd() const { return fd_; }
  std::uint16_t Port() const { return port_; }

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
};

// A server that answers the first request of one connection with the given bytes and closes.
class ScriptedServer {
 public:
  explicit ScriptedServer(std::vector<std::uint8_t> answer)
      : thread_([this, answer = std::move(answer)] {
          const int connection = ::accept(listener_.Fd(), nullptr, nullptr);
          if (connection < 0) return;
          std::uint8_t request[4001];
          if (::recv(connection, request, sizeof request, 0) > 0) {
            (void)!::send(connection, answer.data(), answer.size(), MSG_NOSIGNAL);
          }
          ::close(connection);
        }) {}
  ~ScriptedServer() {
    ::shutdown(listener_.Fd(), SHUT_RDWR);
    thread_.join();
  }
  std::uint16_t Port() const { return listener_.Port(); }

 private:
  Listener listener_;
  std::thread thread_;
};

struct PeerRun {
  int status = -1;
  std::string output;
  std::string error;
};

PeerRun RunPeerTool(std::vector<std::string> arguments) {
  ChildProcess child({ORLENTIS_PEER_BINARY, std::move(arguments), {}, {}});
  PeerRun run;
  run.status = child.Wait(kRunLimitMs).value_or(-1);
  run.output = child.StandardOutput();
  run.error = child.ErrorOutput();
  return run;
}

std::vector<std::string> HostCheckAt(std::uint16_t port, const char* timeoutMs = "20000") {
  return {"host-check", "--port", std::to_string(port), "--timeout", timeoutMs};
}

std::vector<std::uint8_t> StatusWithKind(std::uint32_t kind) {
  const auto record = EncodeStatus(kind, 0);
  return {record.begin(), record.end()};
}

TEST(PeerExitStatusTest, SuccessIsZeroAndPrintsTheDecodedReply) {
  RecorderServicesServer server;
  const auto run = RunPeerTool(HostCheckAt(server.Net().Port()));
  EXPECT_EQ(run.status, 0) << run.error;
  EXPECT_EQ(run.output,
            "CMD_SITE_CHECKIN -> StatusRecord status=\"RSP_OK\" value=0 version=0x30000\n");
}

TEST(PeerExitStatusTest, RefusalsExitWithOne) {
  RecorderServicesServer server;
  const auto port = std::to_string(server.Net().Port());
  const auto failedLogin = RunPeerTool(
      {"account-check", "--port", port, "--user", "nobody", "--password", "x", "--json"});
  EXPECT_EQ(failedLogin.status, 1);
  EXPECT_NE(failedLogin.output.find("\"status\":\"refused\""), std::string::npos);
  EXPECT_NE(failedLogin.output.find("\"status\":\"RSP_FAIL\""), std::string::npos);
  EXPECT_NE(failedLogin.error.find("CMD_ACCOUNT_LOGIN answered RSP_FAIL"), std::string::npos);

  const auto unknownInstance =
      RunPeerTool({"instance-checkout", "--port", port, "--instance", "7"});
  EXPECT_EQ(unknownInstance.status, 1);
  EXPECT_NE(unknownInstance.error.find("status 0"), std::string::npos) << unknownInstance.error;

  // The IP filter in accept mode with an empty table closes every connection at once.
  server.Net().Program().SetIpFilter(true, kFilterAcceptMode);
  const auto filtered = RunPeerTool(HostCheckAt(server.Net().Port()));
  EXPECT_EQ(filtered.status, 1);
  EXPECT_NE(filtered.error.find("closed the connection"), std::string::npos) << filtered.error;
}

TEST(PeerExitStatusTest, NoServerIsATransportFailure) {
  Listener closed;
  const auto port = closed.Port();
  closed.Close();
  const auto run = RunPeerTool(HostCheckAt(port));
  EXPECT_EQ(run.status, 3);
  EXPECT_NE(run.error.find("cannot connect"), std::string::npos) << run.error;
}

TEST(PeerExitStatusTest, SilenceIsATimeout) {
  Listener silent;
  const auto run = RunPeerTool(HostCheckAt(silent.Port(), "300"));
  EXPECT_EQ(run.status, 4);
  EXPECT_NE(run.error.find("no StatusRecord within 300 ms"), std::string::npos) << run.error;
}

TEST(PeerExitStatusTest, AnswersOfTheWrongKindOrSizeAreMalformed) {
  {
    ScriptedServer server(StatusWithKind(0x1234));
    const auto run = RunPeerTool(HostCheckAt(server.Port()));
    EXPECT_EQ(run.status, 5);
    EXPECT_NE(run.error.find("0x1234"), std::string::npos) << run.error;
  }
  {
    auto shortRecord = StatusWithKind(RSP_OK);
    shortRecord.resize(16);
    ScriptedServer server(shortRecord);
    const auto run = RunPeerTool(HostCheckAt(server.Port()));
    EXPECT_EQ(run.status, 5);
    EXPECT_NE(run.error.find("cut short: 16 bytes"), std::string::npos) << run.error;
  }
  {
    auto longRecord = StatusWithKind(RSP_OK);
    longRecord.resize(longRecord.size() + 4);
    ScriptedServer server(longRecord);
    const auto run = RunPeerTool(HostCheckAt(server.Port()));
    EXPECT_EQ(run.status, 5);
    EXPECT_NE(run.error.find("4 unexpected bytes"), std::string::npos) << run.error;
  }
}

// The real server, started headless as an administrator would: it is ready when the peer's
// host check succeeds, and from then on serves the peer's exchanges.
TEST(PeerExitStatusTest, TheHeadlessServerAnswersThePeerOnceReady) {
  TempFolder home;
  Listener probe;
  const auto port = std::to_string(probe.Port());
  probe.Close();
  WriteWholeFile(home / "Setting.ini", "[IPSETTING]\nIP=127.0.0.1\nPORT=" + port + "\nFILTER=0\n");
  ChildProcess server(HeadlessLaunch(home.Path()));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int status = -1;
  while (status != 0 && std::chrono::steady_clock::now() < deadline) {
    status = RunPeerTool({"host-check", "--port", port, "--timeout", "1000"}).status;
    if (status != 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_EQ(status, 0) << server.ErrorOutput();
  const auto keepAlive = RunPeerTool({"keepalive", "--port", port, "--name", "Lobby", "--json"});
  EXPECT_EQ(keepAlive.status, 0) << keepAlive.error;
  EXPECT_NE(keepAlive.output.find("\"kind\":2454"), std::string::npos) << keepAlive.output;
  server.Signal(SIGTERM);
  EXPECT_EQ(server.Wait(30000), 0);
}

TEST(PeerExitStatusTest, UsageErrorsExitWithTwo) {
  for (const auto& arguments :
       std::vector<std::vector<std::string>>{{"no-such-command"},
                                             {"host-check", "--no-such-option", "1"},
                                             {"keepalive", "--count", "many"},
                                             {"host-check", "--port"},
                                             {}}) {
    EXPECT_EQ(RunPeerTool(arguments).status, 2) << (arguments.empty() ? "" : arguments[0]);
  }
  const auto help = RunPeerTool({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("Exit status:"), std::string::npos);
}

}  // namespace
}  // namespace orlentis::testing
