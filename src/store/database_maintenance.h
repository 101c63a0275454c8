#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

#include "store/database_target.h"

namespace orlentis {

// The database's maintenance: compaction at start-up, on a schedule of whole days, and as the
// repair after any database error. Its two flags are how every other part of the program
// learns to leave the database alone:
//   maintenance running  - the listener admits no new connection, the hourly check waits;
//   database unavailable - a repair is under way; every database operation is skipped.
// One object per process; its methods may be called from any thread.
class DatabaseMaintenance {
 public:
  using Wait = std::function<void(std::chrono::milliseconds)>;
  static constexpr std::chrono::milliseconds kCompactionDelay{3000};
  static constexpr double kDueEarlyDays = 0.007;
  // How often a PostgreSQL database that cannot be reached is tried again.
  static constexpr std::chrono::milliseconds kPostgresRecheckPeriod{3000};

  static DatabaseMaintenance& Instance();

  bool IsUnavailable() const { return unavailable_.load(); }
  // How long the database has been unavailable without a break; zero while it is available.
  std::chrono::steady_clock::duration UnavailableFor() const;
  bool IsMaintenanceRunning() const;

  // Start-up and scheduled maintenance: compacts the database, stores now as the last
  // maintenance and schedules the next. True on success.
  bool RunMaintenance();
  // The repair after a database error: like a maintenance, but the database is unavailable
  // while it runs. True on success; false on failure, and at once when a repair is already
  // under way on any thread (there is never a second one).
  bool RepairDatabase();

  // The server repairs on a thread of its own rather than on the thread whose operation
  // failed, so that no request waits for a repair: RepairDatabase() then marks the database
  // unavailable, starts the repair and gives back false at once.
  void SetRepairsInBackground(bool background) { repairsInBackground_.store(background); }
  // Waits until a repair or check running in the background has ended.
  void WaitForBackgroundWork();
  // Ends the rechecks of a database that cannot be reached, then waits as above: the server
  // stops even while its database is away.
  void StopBackgroundWork();

  // A database that a repair could not mend, or that could not be prepared at start-up, is
  // unusable: it stays unavailable, so every operation is skipped at once instead of failing
  // and repairing again, until RecheckUnusableDatabase() finds it usable.
  bool IsUnusable() const { return unusable_.load(); }
  void MarkUnusable(const std::string& why);
  // The database can be used (again); say so when it could not.
  void MarkUsable();
  // A database that could not be prepared at start-up holds no accounts to serve: nothing is
  // admitted until it has been.
  bool IsPrepared() const { return prepared_.load(); }
  void SetPrepared(bool prepared) { prepared_.store(prepared); }
  // Runs probe (which prepares the database and proves it can be written) in the background
  // when the database is unusable; when it succeeds the database is usable again.
  void RecheckUnusableDatabase(std::function<bool()> probe);

  // Only the server repairs its database. A process that works beside it (the administration
  // tool) turns repairs off: a failed operation is then reported and the file left alone.
  void SetRepairsAllowed(bool allowed) { repairsAllowed_.store(allowed); }

  // This server took the lead of a database's maintenance from another: its schedule counts
  // from the newest maintenance the event log records, whichever server ran it.
  void AdoptLastMaintenance();

  bool IsMaintenanceDue() const;
  void ScheduleNextMaintenance();
  // From now on every compaction waits kCompactionDelay before it begins.
  void SetStartupFinished() { startupFinished_.store(true); }

  // Compacts the database file databaseFile in five passes, each checking a compacted copy in
  // Temp.db beside it before compacting the live file in place. True on success; a failure
  // leaves the database as it was, and no write committed meanwhile is lost.
  bool CompactDatabase(const std::filesystem::path& databaseFile);

  // OLE automation dates (local time).
  double LastMaintenance() const { return lastMaintenance_.load(); }
  double NextMaintenance() const { return nextMaintenance_.load(); }

  // How the pre-compaction delay is waited; a plain sleep unless a test replaces it.
  void SetCompactionWait(Wait wait);

 private:
  DatabaseMaintenance() = default;
  ~DatabaseMaintenance() { StopBackgroundWork(); }

  // Holds the maintenance-running flag for one maintenance or repair.
  class RunningMark;

  void WaitBeforeCompaction();
  bool CompactFile(const std::filesystem::path& file);
  bool VacuumPostgres(const DatabaseTarget& target);
  bool Repair();
  bool Reconnect(const DatabaseTarget& target);
  void RecheckUntilUsable(const DatabaseTarget& target);
  // False when the pause was cut short because the background work is to stop.
  bool PauseUnlessStopping(std::chrono::milliseconds pause);
  // Runs task on the background thread; false when one is still running there.
  bool RunInBackground(std::function<void()> task);
  void LogMaintenanceResult(int detailTextId);
  void NoteUnavailableFromNow();

  std::atomic<double> lastMaintenance_{0.0};
  std::atomic<double> nextMaintenance_{1.0};
  // Set from creation until the start-up maintenance has finished.
  std::atomic<bool> startupHold_{true};
  std::atomic<int> runningCount_{0};
  std::atomic<bool> unavailable_{false};
  // When unavailable_ last turned true, on the steady clock.
  std::atomic<std::chrono::steady_clock::rep> unavailableSince_{0};
  std::atomic<bool> startupFinished_{false};
  std::atomic<bool> repairsAllowed_{true};
  std::atomic<bool> repairsInBackground_{false};
  std::atomic<bool> unusable_{false};
  std::atomic<bool> prepared_{true};
  std::atomic<bool> backgroundBusy_{false};
  std::mutex backgroundMutex_;
  std::thread background_;
  // One compaction at a time, whichever thread asks.
  std::mutex compactionMutex_;
  std::mutex waitMutex_;
  Wait wait_;
  std::mutex stopMutex_;
  std::condition_variable stopWake_;
  bool stopping_ = false;
};

}  // namespace orlentis
