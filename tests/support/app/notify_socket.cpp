#include "support/app/notify_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <sstream>

namespace orlentis::testing {
namespace {

bool HoldsLine(const std::string& message, const std::string& wanted) {
  std::istringstream lines(message);
  for (std::string line; std::getline(lines, line);) {
    if (line == wanted) return true;
  }
  return false;
}

}  // namespace

NotifySocket::NotifySocket(std::filesystem::path path) : path_(std::move(path)) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
  fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

NotifySocket::~NotifySocket() {
  if (fd_ >= 0) ::close(fd_);
  std::error_code error;
  std::filesystem::remove(path_, error);
}

bool NotifySocket::WaitFor(const std::string& line, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (fd_ >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd wait{fd_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) return false;
    char buffer[4096];
    const ssize_t size = ::recv(fd_, buffer, sizeof buffer, 0);
    if (size > 0 && HoldsLine(std::string(buffer, static_cast<std::size_t>(size)), line)) {
      return true;
    }
  }
  return false;
}

}  // namespace orlentis::testing
