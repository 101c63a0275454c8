#include "store/database_maintenance.h"

#include <exception>
#include <optional>
#include <string>
#include <thread>

#include "base/clock.h"
#include "base/language.h"
#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "base/server_metrics.h"
#include "base/setting_table.h"
#include "base/settings.h"
#include "base/text_ids.h"
#include "store/compaction.h"
#include "store/database_error.h"
#include "store/database_guard.h"
#include "store/engine.h"
#include "store/event_log.h"
#include "store/maintenance_leader.h"
#include "store/postgres_maintenance.h"

namespace orlentis {
namespace {

constexpr int kCompactionPasses = 5;

// Why a compaction failed is said by the step that failed (store.compaction-failed), just before.
void LogOutcome(const OperatorMessage& done, const OperatorMessage& failed, std::string_view what,
                const std::filesystem::path& file, bool succeeded) {
  if (succeeded) {
    LogToOperator(done, std::string(what) + " done: " + file.string() + " compacted");
  } else {
    LogToOperator(failed, std::string(what) + " failed: " + file.string() + " is left as it was");
  }
}

}  // namespace

class DatabaseMaintenance::RunningMark {
 public:
  explicit RunningMark(DatabaseMaintenance& owner) : owner_(owner) {
    owner_.runningCount_.fetch_add(1);
  }
  ~RunningMark() { owner_.runningCount_.fetch_sub(1); }
  RunningMark(const RunningMark&) = delete;
  RunningMark& operator=(const RunningMark&) = delete;

 private:
  DatabaseMaintenance& owner_;
};

DatabaseMaintenance& DatabaseMaintenance::Instance() {
  static DatabaseMaintenance maintenance;
  return maintenance;
}

bool DatabaseMaintenance::IsMaintenanceRunning() const {
  return startupHold_.load() || runningCount_.load() > 0;
}

bool DatabaseMaintenance::RunMaintenance() {
  const RunningMark running(*this);
  const DatabaseTarget target = CurrentDatabaseTarget();
  // Another server on the same database leads its maintenance; should it stop, this one may
  // take the lead, and then counts from the last run the event log records.
  if (target.engine == DatabaseEngine::kPostgres && !MaintenanceLeader::Instance().Leads()) {
    startupHold_.store(false);
    return true;
  }
  const bool done = target.engine == DatabaseEngine::kPostgres ? VacuumPostgres(target)
                                                               : CompactFile(target.file);
  (done ? Metrics().maintenanceRuns : Metrics().maintenanceFailures).Add();
  lastMaintenance_.store(NowOleDate());
  ScheduleNextMaintenance();
  LogMaintenanceResult(done ? kTextCompacted : kTextCompactionFailed);
  startupHold_.store(false);
  return done;
}

bool DatabaseMaintenance::CompactFile(const std::filesystem::path& file) {
  LogToOperator(kLogStoreMaintenanceStarted,
                "database maintenance started: compacting " + file.string());
  const bool compacted = CompactDatabase(file);
  LogOutcome(kLogStoreMaintenanceDone, kLogStoreMaintenanceFailed, "database maintenance", file,
             compacted);
  return compacted;
}

bool DatabaseMaintenance::VacuumPostgres(const DatabaseTarget& target) {
  const std::string database = DescribeDatabase(target);
  LogToOperator(kLogStoreMaintenanceStarted,
                "database maintenance started: vacuuming and analysing " + database);
  bool vacuumed = false;
  try {
    vacuumed = MaintenanceLeader::Instance().RunAsLeader(
        target, [](soci::session& session) { VacuumPostgresDatabase(session); });
  } catch (const std::exception& error) {
    LogToOperatorPerReason(kLogStoreCompactionFailed, "vacuum",
                           "cannot vacuum " + database + ": " + DescribeDatabaseError(error));
  }
  if (vacuumed) {
    LogToOperator(kLogStoreMaintenanceDone,
                  "database maintenance done: " + database + " vacuumed and analysed");
  } else {
    LogToOperator(kLogStoreMaintenanceFailed,
                  "database maintenance failed: " + database + " is left as it was");
  }
  return vacuumed;
}

bool DatabaseMaintenance::RepairDatabase() {
  if (!repairsAllowed_.load()) return false;
  bool idle = false;
  if (!unavailable_.compare_exchange_strong(idle, true)) return false;
  NoteUnavailableFromNow();
  if (repairsInBackground_.load() && RunInBackground([this] { Repair(); })) return false;
  return Repair();
}

bool DatabaseMaintenance::Repair() {
  const DatabaseTarget target = CurrentDatabaseTarget();
  if (target.engine == DatabaseEngine::kPostgres) return Reconnect(target);
  bool repaired = false;
  {
    const RunningMark running(*this);
    const auto file = target.file;
    LogToOperator(kLogStoreRepairStarted, "database repair started: compacting " + file.string());
    repaired = CompactDatabase(file);
    LogOutcome(kLogStoreRepairDone, kLogStoreRepairFailed, "database repair", file, repaired);
    (repaired ? Metrics().repairsDone : Metrics().repairsFailed).Add();
    LogMaintenanceResult(repaired ? kTextRepaired : kTextCompactionFailed);
  }
  // Repairing again at the next request would fail the same way and hold every request up.
  if (!repaired) {
    MarkUnusable("the repair failed");
    return false;
  }
  unavailable_.store(false);
  return true;
}

// A PostgreSQL server keeps its own files whole; what fails is the way to it. The sessions of
// every thread are dropped, since all of them lost the same server, and a new one is tried
// until the server is back or the wait is over. No request waits meanwhile: the database is
// unavailable, so every operation gives its failure values at once.
bool DatabaseMaintenance::Reconnect(const DatabaseTarget& target) {
  const std::string database = DescribeDatabase(target);
  ReopenAllSessions();
  LogToOperator(kLogStoreRepairStarted, "database repair started: reconnecting to " + database);
  const bool reached =
      ReconnectWithBackoff([&] { return CanReachPostgres(target); },
                           [this](std::chrono::milliseconds pause) { PauseUnlessStopping(pause); });
  (reached ? Metrics().repairsDone : Metrics().repairsFailed).Add();
  if (!reached) {
    LogToOperator(kLogStoreRepairFailed,
                  "database repair failed: " + database + " cannot be reached");
    MarkUnusable("it cannot be reached");
    if (repairsInBackground_.load()) RecheckUntilUsable(target);
    return false;
  }
  LogToOperator(kLogStoreRepairDone, "database repair done: reconnected to " + database);
  unavailable_.store(false);
  LogMaintenanceResult(kTextRepaired);
  return true;
}

// On the background thread that ran the failed repair: a network database comes back by
// itself, and the server with it, a few seconds later rather than at the next minute's check.
void DatabaseMaintenance::RecheckUntilUsable(const DatabaseTarget& target) {
  while (unusable_.load() && PauseUnlessStopping(kPostgresRecheckPeriod)) {
    if (CanReachPostgres(target)) {
      ReopenAllSessions();
      MarkUsable();
    }
  }
}

bool DatabaseMaintenance::PauseUnlessStopping(std::chrono::milliseconds pause) {
  std::unique_lock lock(stopMutex_);
  return !stopWake_.wait_for(lock, pause, [this] { return stopping_; });
}

void DatabaseMaintenance::StopBackgroundWork() {
  {
    const std::lock_guard lock(stopMutex_);
    stopping_ = true;
  }
  stopWake_.notify_all();
  WaitForBackgroundWork();
  const std::lock_guard lock(stopMutex_);
  stopping_ = false;
}

std::chrono::steady_clock::duration DatabaseMaintenance::UnavailableFor() const {
  if (!unavailable_.load()) return {};
  const std::chrono::steady_clock::duration since(unavailableSince_.load());
  return std::chrono::steady_clock::now().time_since_epoch() - since;
}

void DatabaseMaintenance::NoteUnavailableFromNow() {
  unavailableSince_.store(std::chrono::steady_clock::now().time_since_epoch().count());
}

void DatabaseMaintenance::MarkUnusable(const std::string& why) {
  if (!unavailable_.exchange(true)) NoteUnavailableFromNow();
  if (unusable_.exchange(true)) return;
  const DatabaseTarget target = CurrentDatabaseTarget();
  LogToOperator(
      kLogStoreDatabaseUnusable,
      "the database " + DescribeDatabase(target) + " cannot be used (" + why +
          "): requests that need it fail until it can be used again; it is checked " +
          (target.engine == DatabaseEngine::kPostgres ? "every few seconds" : "every minute"));
}

void DatabaseMaintenance::RecheckUnusableDatabase(std::function<bool()> probe) {
  if (!unusable_.load()) return;
  // A server on a network database goes on trying every few seconds until it is back.
  const bool untilUsable =
      repairsInBackground_.load() && CurrentDatabaseTarget().engine == DatabaseEngine::kPostgres;
  RunInBackground([this, probe = std::move(probe), untilUsable] {
    do {
      if (probe()) {
        MarkUsable();
        return;
      }
    } while (untilUsable && PauseUnlessStopping(kPostgresRecheckPeriod));
  });
}

void DatabaseMaintenance::MarkUsable() {
  prepared_.store(true);
  unavailable_.store(false);
  if (!unusable_.exchange(false)) return;
  LogToOperator(kLogStoreDatabaseUsable,
                "the database " + DescribeDatabase(CurrentDatabaseTarget()) + " can be used again");
}

bool DatabaseMaintenance::RunInBackground(std::function<void()> task) {
  bool idle = false;
  if (!backgroundBusy_.compare_exchange_strong(idle, true)) return false;
  const std::lock_guard lock(backgroundMutex_);
  // The thread before has ended: it cleared the busy mark as its last step.
  if (background_.joinable()) background_.join();
  background_ = std::thread([this, task = std::move(task)] {
    task();
    backgroundBusy_.store(false);
  });
  return true;
}

void DatabaseMaintenance::WaitForBackgroundWork() {
  const std::lock_guard lock(backgroundMutex_);
  if (background_.joinable()) background_.join();
}

void DatabaseMaintenance::AdoptLastMaintenance() {
  const std::string source = GetLanguageText(kTextProgramName);
  const std::string action = GetLanguageText(kTextMaintenance);
  const DbResult<std::optional<double>> logged = RunGuardedFor(
      [&](soci::session& session) { return NewestLogEntryTime(session, source, action); });
  if (!logged.value || !*logged.value || **logged.value <= lastMaintenance_.load()) return;
  lastMaintenance_.store(**logged.value);
  ScheduleNextMaintenance();
}

bool DatabaseMaintenance::IsMaintenanceDue() const {
  if (!Settings::Instance().IsAutoMaintenance()) return false;
  return NowOleDate() + kDueEarlyDays >= nextMaintenance_.load();
}

void DatabaseMaintenance::ScheduleNextMaintenance() {
  // Settings keeps the choice within the table's range.
  const std::int32_t choice = Settings::Instance().GetMaintenanceInterval();
  nextMaintenance_.store(lastMaintenance_.load() + kMaintenanceIntervalDays.at(choice));
}

bool DatabaseMaintenance::CompactDatabase(const std::filesystem::path& databaseFile) {
  if (databaseFile.empty()) {
    LogToOperatorPerReason(kLogStoreCompactionFailed, "no-file",
                           "cannot compact: no database file is set");
    return false;
  }
  if (startupFinished_.load()) WaitBeforeCompaction();
  const std::lock_guard lock(compactionMutex_);
  const auto copyFile = databaseFile.parent_path() / kTemporaryDatabaseFileName;
  bool copied = false;
  for (int pass = 0; pass < kCompactionPasses; ++pass) {
    RemoveDatabaseFile(copyFile);
    if (!VacuumInto(databaseFile, copyFile) || !IsIntact(copyFile)) {
      RemoveDatabaseFile(copyFile);
      return false;
    }
    // The checked copy proves that every row can be read back whole; the live file is then
    // compacted where it stands. Copying the snapshot back instead would undo whatever was
    // committed after it was taken.
    copied = VacuumInPlace(databaseFile) || copied;
  }
  RemoveDatabaseFile(copyFile);
  // Reporting success when not one copy reached the database would hide a failed repair.
  return copied;
}

void DatabaseMaintenance::SetCompactionWait(Wait wait) {
  const std::lock_guard lock(waitMutex_);
  wait_ = std::move(wait);
}

void DatabaseMaintenance::WaitBeforeCompaction() {
  Wait wait;
  {
    const std::lock_guard lock(waitMutex_);
    wait = wait_;
  }
  if (wait) {
    wait(kCompactionDelay);
  } else {
    std::this_thread::sleep_for(kCompactionDelay);
  }
}

// Maintenance entries are written even while the database is marked unavailable (the
// repair's own entry), and never trim the log.
void DatabaseMaintenance::LogMaintenanceResult(int detailTextId) {
  if (!Settings::Instance().IsLogData()) return;
  const std::string source = GetLanguageText(kTextProgramName);
  const std::string action = GetLanguageText(kTextMaintenance);
  const std::string detail = GetLanguageText(detailTextId);
  GuardOptions options;
  options.honourUnavailable = false;
  RunGuarded(
      [&](soci::session& session) {
        AppendLogEntryWithoutTrim(session, source, action, detail, {"database.maintenance"});
      },
      options);
}

}  // namespace orlentis
