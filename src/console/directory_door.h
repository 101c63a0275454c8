#pragma once

#include <QObject>
#include <QPointer>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

namespace orlentis {

// The console's one way to the directory. A directory operation may wait up to the busy
// timeout for another process's write lock; run on the window's thread it would freeze the
// console that long. The door runs each operation on a thread of its own, which has its own
// database session, one at a time in the order they were asked, and hands each result back to
// the thread the door was made on (the window's).
class DirectoryDoor : public QObject {
  Q_OBJECT

 public:
  DirectoryDoor();
  // Lets the operations already asked run to their end (a change the administrator asked for
  // is not dropped half way), without delivering their results.
  ~DirectoryDoor() override;
  DirectoryDoor(const DirectoryDoor&) = delete;
  DirectoryDoor& operator=(const DirectoryDoor&) = delete;

  // Runs work() on the door's thread after everything asked before it, then deliver with its
  // result on the window's thread, unless receiver is gone by then: a page or dialog closed
  // meanwhile just never hears of it. work must not touch widgets; it gets what it needs by
  // value.
  template <class Work, class Deliver>
  void Ask(QObject* receiver, Work work, Deliver deliver);
  // Runs work on the door's thread in its turn; nothing is delivered.
  void Post(std::function<void()> work) { Enqueue({std::move(work), {}}); }

  // Whether every operation asked so far has run and had its result delivered.
  bool IsIdle() const { return unfinished_ == 0; }
  // Runs the event loop until the door is idle, at most limit; true when it is. For callers
  // that must see an operation's end before they go on (tests, pictures).
  bool WaitUntilIdle(std::chrono::milliseconds limit);

 Q_SIGNALS:
  // Every operation asked so far has run and been delivered.
  void Idle();

 private:
  struct Job {
    std::function<void()> work;     // on the door's thread
    std::function<void()> deliver;  // on the window's thread afterwards; may be empty
  };

  void Enqueue(Job job);
  void RunJobs();
  void Finish(const std::shared_ptr<Job>& job);

  int unfinished_ = 0;  // touched on the window's thread only
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> queue_;
  bool closing_ = false;
  std::thread thread_;
};

template <class Work, class Deliver>
void DirectoryDoor::Ask(QObject* receiver, Work work, Deliver deliver) {
  using Result = std::invoke_result_t<Work&>;
  auto result = std::make_shared<std::optional<Result>>();
  Enqueue(
      {[result, work = std::move(work)]() mutable { result->emplace(work()); },
       [result, receiver = QPointer<QObject>(receiver), deliver = std::move(deliver)]() mutable {
         if (receiver != nullptr) deliver(std::move(**result));
       }});
}

}  // namespace orlentis
