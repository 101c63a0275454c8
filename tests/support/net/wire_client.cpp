#include "support/net/wire_client.h"

#include <arpa/inet.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <utility>

namespace orlentis::testing {

WireClient::WireClient(std::uint16_t port, const char* sourceAddress)
    : WireClient(port, sourceAddress, false) {}

WireClient WireClient::Narrow(std::uint16_t port) {
  return WireClient(port, nullptr, true);
}

WireClient::WireClient(std::uint16_t port, const char* sourceAddress, bool narrow) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  const int on = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  if (narrow) {
    // Both must be set before the connection is made to shape it.
    const int smallBuffer = 4096;
    const int smallSegment = 536;
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &smallBuffer, sizeof smallBuffer);
    ::setsockopt(fd_, IPPROTO_TCP, TCP_MAXSEG, &smallSegment, sizeof smallSegment);
  }
  if (sourceAddress != nullptr) {
    sockaddr_in source{};
    source.sin_family = AF_INET;
    ::inet_pton(AF_INET, sourceAddress, &source.sin_addr);
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&source), sizeof source) != 0) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

WireClient::~WireClient() {
  if (fd_ >= 0) ::close(fd_);
}

WireClient::WireClient(WireClient&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

bool WireClient::Send(std::span<const std::uint8_t> record) {
  const ssize_t sent = ::send(fd_, record.data(), record.size(), MSG_NOSIGNAL);
  return sent == static_cast<ssize_t>(record.size());
}

bool WireClient::WaitReadable(int timeoutMs) {
  pollfd entry{fd_, POLLIN, 0};
  int ready = 0;
  do {
    ready = ::poll(&entry, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  return ready > 0;
}

std::optional<std::vector<std::uint8_t>> WireClient::ReceiveExactly(std::size_t count,
                                                                    int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<std::uint8_t> bytes(count);
  std::size_t received = 0;
  while (received < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    if (left.count() <= 0 || !WaitReadable(static_cast<int>(left.count()))) return std::nullopt;
    const ssize_t got = ::recv(fd_, bytes.data() + received, count - received, 0);
    if (got <= 0) return std::nullopt;
    received += static_cast<std::size_t>(got);
  }
  return bytes;
}

std::uint32_t WireClient::SegmentsReceived() const {
  tcp_info info{};
  socklen_t size = sizeof info;
  if (::getsockopt(fd_, IPPROTO_TCP, TCP_INFO, &info, &size) != 0) return 0;
  return info.tcpi_segs_in;
}

bool WireClient::WaitForClose(int timeoutMs) {
  if (!WaitReadable(timeoutMs)) return false;
  std::uint8_t byte = 0;
  return ::recv(fd_, &byte, 1, 0) <= 0;
}

void WireClient::Reset() {
  const linger abort{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace orlentis::testing
