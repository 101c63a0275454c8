#include "fuzz_connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

#include "fuzz_server.h"

namespace orlentis {
namespace {

// How long a write waits for the server's answer before the next write goes anyway (a dropped
// record has none). Short, so that an input takes milliseconds.
constexpr int kReplyWaitMs = 3;
// How long the end waits for the server to close; a server that has not closed by then is
// stuck on the input, which the fuzzer's own timeout reports.
constexpr auto kCloseWait = std::chrono::seconds(2);
constexpr int kSweepIntervalMs = 2;

// A connect that fails is tried again for a while: with thousands of short connections a
// second, the loopback's ports in their closing wait can run short for a moment, which says
// nothing about the server.
constexpr int kConnectTries = 100;
constexpr auto kConnectRetryDelay = std::chrono::milliseconds(10);

int ConnectedSocket(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int error = 0;
  for (int attempt = 0; attempt < kConnectTries; ++attempt) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    error = errno;
    ::close(fd);
    std::this_thread::sleep_for(kConnectRetryDelay);
  }
  throw std::runtime_error(std::string("cannot connect to the fuzz server: ") +
                           std::strerror(error));
}

class PeerSocket {
 public:
  explicit PeerSocket(std::uint16_t port) : fd_(ConnectedSocket(port)) {}
  ~PeerSocket() { ::close(fd_); }
  PeerSocket(const PeerSocket&) = delete;
  PeerSocket& operator=(const PeerSocket&) = delete;

  bool SendAll(Write bytes) {
    while (!bytes.empty()) {
      const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent <= 0) return false;
      bytes = bytes.subspan(static_cast<std::size_t>(sent));
    }
    return true;
  }

  // Reads what arrives within waitMs, and then whatever is there already. False once the
  // server has closed its end.
  bool Drain(int waitMs) {
    int wait = waitMs;
    while (Readable(wait)) {
      std::array<std::uint8_t, 8192> buffer;
      if (::recv(fd_, buffer.data(), buffer.size(), 0) <= 0) return false;
      wait = 0;
    }
    return true;
  }

  void HalfClose() { ::shutdown(fd_, SHUT_WR); }

 private:
  bool Readable(int waitMs) {
    pollfd entry{fd_, POLLIN, 0};
    return ::poll(&entry, 1, waitMs) > 0;
  }

  int fd_;
};

}  // namespace

void PlayWrites(FuzzServer& server, const std::vector<Write>& writes) {
  PeerSocket peer(server.Port());
  for (const Write& write : writes) {
    if (!peer.SendAll(write) || !peer.Drain(kReplyWaitMs)) return;
  }
  peer.HalfClose();
  // A connection that failed stays open until the dead-connection sweep closes it.
  const auto end = std::chrono::steady_clock::now() + kCloseWait;
  while (peer.Drain(kSweepIntervalMs) && std::chrono::steady_clock::now() < end) {
    server.PostDeadConnectionSweep();
  }
}

}  // namespace orlentis
