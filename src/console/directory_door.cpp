#include "console/directory_door.h"

#include <QEventLoop>
#include <QTimer>

namespace orlentis {

DirectoryDoor::DirectoryDoor() : thread_([this] { RunJobs(); }) {}

DirectoryDoor::~DirectoryDoor() {
  {
    const std::lock_guard lock(mutex_);
    closing_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void DirectoryDoor::Enqueue(Job job) {
  ++unfinished_;
  {
    const std::lock_guard lock(mutex_);
    queue_.push_back(std::move(job));
  }
  wake_.notify_one();
}

void DirectoryDoor::RunJobs() {
  for (;;) {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return closing_ || !queue_.empty(); });
    if (queue_.empty()) return;
    auto job = std::make_shared<Job>(std::move(queue_.front()));
    queue_.pop_front();
    lock.unlock();
    job->work();
    lock.lock();
    // Once the door is closing nobody is left to hear of a result.
    if (closing_) continue;
    lock.unlock();
    QMetaObject::invokeMethod(
        this, [this, job] { Finish(job); }, Qt::QueuedConnection);
  }
}

void DirectoryDoor::Finish(const std::shared_ptr<Job>& job) {
  --unfinished_;
  // The delivery may open a dialog of its own, which asks the door again meanwhile.
  if (job->deliver) job->deliver();
  if (IsIdle()) Q_EMIT Idle();
}

bool DirectoryDoor::WaitUntilIdle(std::chrono::milliseconds limit) {
  QEventLoop loop;
  QTimer deadline;
  deadline.setSingleShot(true);
  connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
  connect(this, &DirectoryDoor::Idle, &loop, &QEventLoop::quit);
  deadline.start(limit);
  while (!IsIdle() && deadline.isActive()) loop.exec();
  return IsIdle();
}

}  // namespace orlentis
