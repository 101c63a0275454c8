#include "store/periodic_thread.h"

namespace orlentis {

void PeriodicThread::Start(std::chrono::milliseconds period, std::function<void()> task,
                           bool runAtOnce) {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = false;
  }
  thread_ = std::thread([this, period, task = std::move(task), runAtOnce] {
    if (runAtOnce) task();
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, period, [this] { return stopping_; })) {
      lock.unlock();
      task();
      lock.lock();
    }
  });
}

void PeriodicThread::Stop() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

}  // namespace orlentis
