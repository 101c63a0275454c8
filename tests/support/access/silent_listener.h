#pragma once

#include <string>
#include <vector>

namespace orlentis::testing {

// A listening socket on 127.0.0.1 that nobody serves: connections complete in the kernel and
// then hear nothing, like a directory server that has stopped answering.
class SilentListener {
 public:
  SilentListener();
  ~SilentListener();
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;

  std::string Uri() const { return "ldap://127.0.0.1:" + std::to_string(port_); }
  int Fd() const { return fd_; }

  // Takes one waiting connection, if any, and keeps it open and unanswered.
  bool SomeoneConnected();
  // Polls for a caller up to timeoutMs.
  bool WaitForCaller(int timeoutMs = 10000);

 private:
  int fd_;
  int port_ = 0;
  std::vector<int> clients_;
};

}  // namespace orlentis::testing
