#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "access/domain_logon.h"

namespace orlentis {

// Runs domain logons on a few threads of its own, so that a slow or absent directory never
// holds up the thread that serves the connections. Thread-safe.
class DomainLogonRunner {
 public:
  using SettingsSource = std::function<DomainLogonSettings()>;
  using Done = std::function<void(LoginVerdict verdict)>;

  // The settings are fetched for every logon, so that a changed domain counts at once.
  explicit DomainLogonRunner(SettingsSource settings, std::size_t threadCount = 2);
  ~DomainLogonRunner();
  DomainLogonRunner(const DomainLogonRunner&) = delete;
  DomainLogonRunner& operator=(const DomainLogonRunner&) = delete;

  // Queues one logon. done is called exactly once, on one of the runner's threads, with the
  // verdict; it must not throw nor call Shutdown. After Shutdown, done(kUnanswered) is called
  // at once on the caller's thread.
  void Submit(std::string name, std::string password, Done done);

  // Lets the binds under way finish (each is bounded by its timeout), answers the logons
  // still queued with kUnanswered without asking the directory, and joins the threads.
  // Idempotent.
  void Shutdown();

 private:
  struct Job {
    std::string name;
    std::string password;
    Done done;
  };

  void Work();

  SettingsSource settings_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> queue_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace orlentis
