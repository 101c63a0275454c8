#pragma once

#include <asio/awaitable.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "store/database_thread.h"
#include "store/db_outcome.h"

namespace orlentis {

// How long an exchange waits for the database, like each of its other steps; then it answers
// as it would after a database error.
inline constexpr std::chrono::milliseconds kDatabaseWaitLimit{5000};
// How long a failed login waits for the count that the servers sharing a database keep.
inline constexpr std::chrono::milliseconds kSharedCountWaitLimit{250};

// The database threads the recorder services hand their work to, so that the worker never
// waits for the disk or a lock: reads beside each other, writes gathered into group commits.
struct DatabaseThreads {
  DatabaseThread& reads;
  DatabaseWriters& writes;
};

// Work that gives back a value. It may still run after its waiter gave up, so it must own
// everything it touches: capture by value, never a reference into the waiting coroutine.
template <class T>
class DatabaseWork final : public DatabaseJob {
 public:
  explicit DatabaseWork(std::function<T()> work) : work_(std::move(work)) {}
  void Run() override { value_.emplace(work_()); }

  // The value when the work ran and its writes were committed, else fallback.
  T ValueOr(DbOutcome outcome, T fallback) const {
    return outcome == DbOutcome::kDone && value_ ? *value_ : std::move(fallback);
  }

 private:
  std::function<T()> work_;
  std::optional<T> value_;
};

template <class T>
std::shared_ptr<DatabaseWork<T>> MakeDatabaseWork(std::function<T()> work) {
  return std::make_shared<DatabaseWork<T>>(std::move(work));
}

// Hands job to thread and resumes the calling coroutine on its own executor when it has
// finished: kDone, or kFailed when the database failed (for a write: its group's commit).
// kSkipped when it did not run: the database was unavailable, or it had not finished within
// limit (a job not yet started then never runs; one already running is left to end on its own
// and its result is dropped).
asio::awaitable<DbOutcome> AwaitJob(DatabaseThread& thread, std::shared_ptr<DatabaseJob> job,
                                    std::chrono::milliseconds limit = kDatabaseWaitLimit);

// The same for a job of a derived type. Not a coroutine itself, so the converted pointer is
// gone before the caller suspends.
template <class Job>
asio::awaitable<DbOutcome> AwaitDatabase(DatabaseThread& thread, const std::shared_ptr<Job>& job,
                                         std::chrono::milliseconds limit = kDatabaseWaitLimit) {
  return AwaitJob(thread, std::shared_ptr<DatabaseJob>(job), limit);
}

// The outcome of a work that itself gives back one, with the wait's outcome where the work
// did not finish.
inline DbOutcome Flattened(DbOutcome waited, const DatabaseWork<DbOutcome>& work) {
  return work.ValueOr(waited, waited == DbOutcome::kDone ? DbOutcome::kFailed : waited);
}

// The value of a work that itself gives back a guarded result, with the wait's outcome where
// the work did not finish.
template <class T>
DbResult<T> Flattened(DbOutcome waited, const DatabaseWork<DbResult<T>>& work) {
  return work.ValueOr(
      waited, DbResult<T>{waited == DbOutcome::kDone ? DbOutcome::kFailed : waited, std::nullopt});
}

}  // namespace orlentis
