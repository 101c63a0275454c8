#include "store/database_guard.h"

#include <exception>
#include <string>

#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "store/database_error.h"
#include "store/database_maintenance.h"
#include "store/engine.h"

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

}  // namespace

DbOutcome RunGuardedOperation(const std::function<void(soci::session&)>& operation,
                              const GuardOptions& options) {
  DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  if (options.honourUnavailable && maintenance.IsUnavailable()) return DbOutcome::kSkipped;
  try {
    const GuardDepth depth;
    operation(ThreadSession());
    return DbOutcome::kDone;
  } catch (const std::exception& error) {
    if (guardDepth > 0) throw;
    // The failed session may still hold a transaction or a lock that the repair would wait for.
    CloseThreadSession();
    // A lock another connection held too long is no damage: repairing would only take the
    // database away from everyone for a while.
    if (IsBusyError(error)) {
      LogToOperatorPerReason(kLogStoreDatabaseBusy, "busy",
                             "a database operation gave up waiting for the write lock: " +
                                 DescribeDatabaseError(error));
      return DbOutcome::kBusy;
    }
    // Abandoned and repaired; users and recorders never see the database's error, only the
    // operator's log does. A failing database fails every operation alike, hence one line a
    // second for each error text.
    const std::string why = DescribeDatabaseError(error);
    LogToOperatorPerReason(kLogStoreDatabaseError, why, "a database operation failed: " + why);
  }
  if (!maintenance.IsUnavailable()) {
    const bool repaired = maintenance.RepairDatabase();
    if (options.repairSucceeded != nullptr) *options.repairSucceeded = repaired;
  }
  return DbOutcome::kFailed;
}

}  // namespace orlentis
