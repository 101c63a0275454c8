#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/server_metrics.h"
#include "store/database_target.h"
#include "store/db_outcome.h"

namespace orlentis {

// One piece of database work handed to a DatabaseThread. Whoever waits for it may give up
// before it starts; a job that was given up never runs.
class DatabaseJob {
 public:
  virtual ~DatabaseJob() = default;

  // Called once on the database thread when the job has run (kDone), its group failed
  // (kFailed), or it was not run because the database was unavailable (kSkipped).
  std::function<void(DbOutcome)> onFinished;

  // True when the job will never run: the waiter may give up. False once it has started.
  bool GiveUp();
  // True when the thread may run the job: the waiter has not given up.
  bool Claim();

  // The work, on the database thread with that thread's own session.
  virtual void Run() = 0;

  // When it was handed to the thread, for the metrics of how long jobs wait.
  std::chrono::steady_clock::time_point queuedAt;

 private:
  enum State { kQueued, kClaimed, kGivenUp };
  std::atomic<int> state_{kQueued};
};

// A thread of its own with its own database session that runs jobs in the order they came.
// Reads are run one by one; writes are gathered: every job waiting when the thread turns to
// them runs in one transaction with one commit (one flush to the disk for all of them), and
// each learns afterwards whether that commit succeeded. A failure anywhere in a group fails
// the whole group, and the database guard starts one repair.
// How many threads serve the reads, and how many write: on a SQLite file one each, whose
// statements take microseconds and which has one writer at a time anyway; on PostgreSQL
// several, since each statement waits for a round trip to the server and the server answers
// many sessions at once. Two readers there: most logins are answered from each reader's
// cache without a statement, where more threads only take turns on the cores, and the second
// keeps the reads that do go to the server (after a change of the directory) from queueing
// behind one another.
std::size_t ReadThreadCount(DatabaseEngine engine);
std::size_t WriteLaneCount(DatabaseEngine engine);

class DatabaseThread {
 public:
  enum class Kind { kReads, kGroupedWrites };
  static constexpr std::size_t kMaxGroup = 256;

  // threads > 1 only for reads: each thread has its own session and takes one job at a time.
  explicit DatabaseThread(Kind kind, std::size_t threads = 1);
  // Runs what is still queued, then ends the threads.
  ~DatabaseThread();
  DatabaseThread(const DatabaseThread&) = delete;
  DatabaseThread& operator=(const DatabaseThread&) = delete;

  void Submit(std::shared_ptr<DatabaseJob> job);

 private:
  using Batch = std::vector<std::shared_ptr<DatabaseJob>>;

  DatabaseLane Lane() const;
  void Loop();
  Batch TakeBatch();
  void RunReads(const Batch& batch);
  void RunGroup(const Batch& batch);

  const Kind kind_;
  const std::size_t threadCount_;
  std::mutex mutex_;
  std::condition_variable wakeUp_;
  std::deque<std::shared_ptr<DatabaseJob>> queue_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// The writing threads, one per lane. The writes of one key (a recorder's address) always go
// to the same lane: they are committed in the order they came, and two lanes never wait for
// each other's locks on the same site's rows.
class DatabaseWriters {
 public:
  explicit DatabaseWriters(std::size_t lanes);

  DatabaseThread& For(std::string_view key);

 private:
  std::vector<std::unique_ptr<DatabaseThread>> lanes_;
};

}  // namespace orlentis
