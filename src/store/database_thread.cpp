#include "store/database_thread.h"

#include <algorithm>
#include <functional>

#include "store/database_guard.h"
#include "store/engine.h"
#include "store/transaction.h"

namespace orlentis {

bool DatabaseJob::GiveUp() {
  int queued = kQueued;
  return state_.compare_exchange_strong(queued, kGivenUp) || queued == kGivenUp;
}

bool DatabaseJob::Claim() {
  int queued = kQueued;
  return state_.compare_exchange_strong(queued, kClaimed);
}

namespace {

constexpr std::size_t kPostgresReadThreads = 2;
// More lanes mean smaller groups, so more commits and statements for the same writes, and more
// backends taking turns on the database's cores: at 64 recorders checking in on two cores, two
// lanes wrote some 2,050 check-ins a second where four wrote 1,250 and one 1,350. A slower
// round trip makes each lane's groups larger rather than its writes fewer.
constexpr std::size_t kPostgresWriteLanes = 2;

}  // namespace

std::size_t ReadThreadCount(DatabaseEngine engine) {
  return engine == DatabaseEngine::kPostgres ? kPostgresReadThreads : 1;
}

std::size_t WriteLaneCount(DatabaseEngine engine) {
  return engine == DatabaseEngine::kPostgres ? kPostgresWriteLanes : 1;
}

DatabaseWriters::DatabaseWriters(std::size_t lanes) {
  for (std::size_t lane = 0; lane < lanes; ++lane) {
    lanes_.push_back(std::make_unique<DatabaseThread>(DatabaseThread::Kind::kGroupedWrites));
  }
}

DatabaseThread& DatabaseWriters::For(std::string_view key) {
  return *lanes_[std::hash<std::string_view>{}(key) % lanes_.size()];
}

DatabaseThread::DatabaseThread(Kind kind, std::size_t threads)
    : kind_(kind), threadCount_(threads) {
  for (std::size_t thread = 0; thread < threads; ++thread)
    threads_.emplace_back([this] { Loop(); });
}

DatabaseThread::~DatabaseThread() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wakeUp_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

DatabaseLane DatabaseThread::Lane() const {
  return kind_ == Kind::kReads ? DatabaseLane::kReads : DatabaseLane::kWrites;
}

void DatabaseThread::Submit(std::shared_ptr<DatabaseJob> job) {
  job->queuedAt = std::chrono::steady_clock::now();
  Metrics().databaseJobsQueued[Lane()].Add(1);
  {
    const std::lock_guard lock(mutex_);
    queue_.push_back(std::move(job));
  }
  wakeUp_.notify_one();
}

void DatabaseThread::Loop() {
  for (;;) {
    Batch batch = TakeBatch();
    if (batch.empty()) break;
    std::erase_if(batch, [](const auto& job) { return !job->Claim(); });
    if (batch.empty()) continue;
    if (kind_ == Kind::kReads) {
      RunReads(batch);
    } else {
      RunGroup(batch);
    }
  }
  CloseThreadSession();
}

DatabaseThread::Batch DatabaseThread::TakeBatch() {
  std::unique_lock lock(mutex_);
  wakeUp_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
  const std::size_t size = kind_ == Kind::kGroupedWrites ? std::min(queue_.size(), kMaxGroup)
                           : threadCount_ > 1            ? std::min<std::size_t>(queue_.size(), 1)
                                                         : queue_.size();
  Batch batch(std::make_move_iterator(queue_.begin()),
              std::make_move_iterator(queue_.begin() + static_cast<std::ptrdiff_t>(size)));
  queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(size));
  lock.unlock();
  ServerMetrics& metrics = Metrics();
  metrics.databaseJobsQueued[Lane()].Add(-static_cast<std::int64_t>(size));
  const auto now = std::chrono::steady_clock::now();
  for (const auto& job : batch) {
    metrics.databaseWaitSeconds[Lane()].ObserveDuration(now - job->queuedAt);
  }
  return batch;
}

// Each read guards itself: a failed one fails alone.
void DatabaseThread::RunReads(const Batch& batch) {
  MetricHistogram& runSeconds = Metrics().databaseRunSeconds[DatabaseLane::kReads];
  for (const auto& job : batch) {
    const auto started = std::chrono::steady_clock::now();
    job->Run();
    runSeconds.ObserveDuration(std::chrono::steady_clock::now() - started);
    job->onFinished(DbOutcome::kDone);
  }
}

// A group's run time is its commit's too: every job of it waits for that.
void DatabaseThread::RunGroup(const Batch& batch) {
  const auto started = std::chrono::steady_clock::now();
  const DbOutcome outcome = RunGuarded([&](soci::session& session) {
    GroupTransaction group(session);
    for (const auto& job : batch) job->Run();
    group.Commit();
  });
  ServerMetrics& metrics = Metrics();
  metrics.databaseRunSeconds[DatabaseLane::kWrites].ObserveDuration(
      std::chrono::steady_clock::now() - started);
  metrics.groupCommitSize.Observe(static_cast<double>(batch.size()));
  for (const auto& job : batch) job->onFinished(outcome);
}

}  // namespace orlentis
