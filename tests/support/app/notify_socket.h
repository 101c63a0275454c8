#pragma once

#include <filesystem>
#include <string>

namespace orlentis::testing {

// The receiving end of systemd's notification protocol: a datagram socket at a path, given to
// a service in NOTIFY_SOCKET.
class NotifySocket {
 public:
  explicit NotifySocket(std::filesystem::path path);
  ~NotifySocket();
  NotifySocket(const NotifySocket&) = delete;
  NotifySocket& operator=(const NotifySocket&) = delete;

  std::string Environment() const { return "NOTIFY_SOCKET=" + path_.string(); }
  // Reads notifications until one holds the line, at most timeoutMs; earlier ones are dropped.
  bool WaitFor(const std::string& line, int timeoutMs);

 private:
  std::filesystem::path path_;
  int fd_ = -1;
};

}  // namespace orlentis::testing
