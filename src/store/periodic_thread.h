#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace orlentis {

// A thread of its own that runs a task every period until Stop(), which waits for a run under
// way to end. The store's background duties on a shared database (the maintenance lead, this
// server's heartbeat) each keep one.
class PeriodicThread {
 public:
  PeriodicThread() = default;
  ~PeriodicThread() { Stop(); }
  PeriodicThread(const PeriodicThread&) = delete;
  PeriodicThread& operator=(const PeriodicThread&) = delete;

  // The first run comes at once when runAtOnce, else one period from now.
  void Start(std::chrono::milliseconds period, std::function<void()> task, bool runAtOnce);
  void Stop();

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace orlentis
