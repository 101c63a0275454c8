#include "store/database_guard.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <string>
#include <thread>

#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "base/server_metrics.h"
#include "store/database_error.h"
#include "store/database_maintenance.h"
#include "store/engine.h"
#include "store/held_audit_records.h"
#include "store/postgres_maintenance.h"

namespace orlentis {
namespace {

// Guarded operations nest when an operation writes a log entry, which runs its own guarded
// operation on the same session. A failure inside abandons the whole outer operation: its
// guard drops the session and repairs, once no statement of the operation is still open.
thread_local int guardDepth = 0;

class GuardDepth {
 public:
  GuardDepth() { ++guardDepth; }
  ~GuardDepth() { --guardDepth; }
  GuardDepth(const GuardDepth&) = delete;
  GuardDepth& operator=(const GuardDepth&) = delete;
};

// How often an operation is run again after losing its connection, and for how long from the
// first loss. A primary that dies can still take a connection in its last moments, and a
// standby being promoted takes none until it is done: the first reconnect may reach a server
// that is gone by the next statement. Within one reconnect span the operation follows the
// database to wherever it can be reached.
constexpr int kLostConnectionTries = 3;

class LostConnectionTries {
 public:
  // Whether another try is left; starts the span at the first loss.
  bool Take() {
    if (triesLeft_ == 0) return false;
    if (triesLeft_-- == kLostConnectionTries) firstLoss_ = std::chrono::steady_clock::now();
    return true;
  }
  std::chrono::milliseconds SpanLeft() const {
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - firstLoss_);
    return std::max(std::chrono::milliseconds(0), kReconnectSpan - spent);
  }

 private:
  int triesLeft_ = kLostConnectionTries;
  std::chrono::steady_clock::time_point firstLoss_;
};

// A failure that another try may pass or refuse as it should: a PostgreSQL transaction undone
// for a conflict with another; a unique name that another writer took between the operation's
// lookup and its insert, which the lookup now sees and refuses as it refuses any name taken
// (both on the first failure only); a connection lost to a server that restarts or fails over,
// once it can be reached again (every thread lost its connection along with this one).
bool WorthAnotherTry(const std::exception& error, bool lostConnection, bool firstFailure,
                     LostConnectionTries& lostConnectionTries) {
  const DatabaseError::Kind kind = DatabaseErrorKind(error);
  if (kind == DatabaseError::Kind::kConflict || kind == DatabaseError::Kind::kConstraint) {
    return firstFailure;
  }
  lostConnection = lostConnection || kind == DatabaseError::Kind::kConnectionLost;
  // Once the database is unusable the maintenance's rechecks try to reach it. A repair
  // under way (another thread lost its connection first) does not stop this one: what it
  // was writing may have been acknowledged already.
  if (!lostConnection || DatabaseMaintenance::Instance().IsUnusable()) return false;
  if (!lostConnectionTries.Take()) return false;
  const DatabaseTarget target = CurrentDatabaseTarget();
  if (!ReconnectWithBackoff(
          [&] { return CanReachPostgres(target); },
          [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); },
          lostConnectionTries.SpanLeft())) {
    return false;
  }
  ReopenAllSessions();
  return true;
}

// Says why the operation was abandoned; true when the database is sound and needs no repair.
bool ReportFailure(const std::exception& error) {
  const std::string why = DescribeDatabaseError(error);
  // A lock another connection held too long is no damage: repairing would only take the
  // database away from everyone for a while.
  if (IsBusyError(error)) {
    Metrics().databaseBusy.Add();
    LogToOperatorPerReason(kLogStoreDatabaseBusy, "busy",
                           "a database operation gave up waiting for the write lock: " + why);
    return true;
  }
  // Users and recorders never see the database's error, only the operator's log does. A
  // failing database fails every operation alike, hence one line a second for each error text.
  Metrics().databaseErrors.Add();
  LogToOperatorPerReason(kLogStoreDatabaseError, why, "a database operation failed: " + why);
  // A constraint that still fails the second time fails the work; the database is as sound
  // as before.
  return DatabaseErrorKind(error) == DatabaseError::Kind::kConstraint;
}

}  // namespace

DbOutcome RunGuardedOperation(const std::function<void(soci::session&)>& operation,
                              const GuardOptions& options) {
  DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  LostConnectionTries lostConnectionTries;
  for (bool retried = false;; retried = true) {
    if (!retried && options.honourUnavailable && maintenance.IsUnavailable()) {
      return DbOutcome::kSkipped;
    }
    const bool outermost = guardDepth == 0;
    try {
      soci::session& session = ThreadSession();
      const GuardDepth depth;
      const ThreadSessionInUse inUse;
      operation(session);
      if (outermost) SendHeldAuditRecords();
      return DbOutcome::kDone;
    } catch (const std::exception& error) {
      if (!outermost) throw;
      DropHeldAuditRecordsAfter(0);
      const bool lostConnection = ThreadSessionLostConnection();
      // The failed session may still hold a transaction or a lock that a repair would wait for.
      CloseThreadSession();
      if (WorthAnotherTry(error, lostConnection, !retried, lostConnectionTries)) continue;
      if (ReportFailure(error)) {
        return IsBusyError(error) ? DbOutcome::kBusy : DbOutcome::kFailed;
      }
    }
    break;
  }
  if (!maintenance.IsUnavailable()) {
    const bool repaired = maintenance.RepairDatabase();
    if (options.repairSucceeded != nullptr) *options.repairSucceeded = repaired;
  }
  return DbOutcome::kFailed;
}

}  // namespace orlentis
