#pragma once

#include <atomic>
#include <thread>

namespace orlentis {

// The hourly maintenance check on a thread of its own, for the window's timer: a maintenance
// waits seconds before it compacts and then holds the database for up to five passes, and the
// window must keep painting and answering meanwhile. One at a time: a check asked for while the
// last one still runs is not started.
class BackgroundMaintenance {
 public:
  BackgroundMaintenance() = default;
  ~BackgroundMaintenance() { Wait(); }
  BackgroundMaintenance(const BackgroundMaintenance&) = delete;
  BackgroundMaintenance& operator=(const BackgroundMaintenance&) = delete;

  // Starts RunDueMaintenance() on the thread; false when the last one still runs. Called from
  // one thread only (the window's).
  bool Start();
  // Waits until a check under way has ended.
  void Wait();

 private:
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace orlentis
