#pragma once

#include <soci/soci.h>

#include <functional>
#include <utility>

namespace orlentis {

// What became of one guarded database operation.
enum class DbOutcome {
  kDone,     // the operation ran to its end
  kSkipped,  // the database was unavailable (a repair was under way); nothing ran
  kFailed,   // the database raised an error; the operation was abandoned
};

struct GuardOptions {
  // Only the maintenance's own log entries run while the database is marked unavailable.
  bool honourUnavailable = true;
  // When a failure started a repair, receives whether the repair succeeded.
  bool* repairSucceeded = nullptr;
};

// The one guard around every database operation. The operation gets the calling thread's
// session. Any exception it raises abandons it and, unless a repair is already under way,
// runs DatabaseMaintenance::RepairDatabase() at once on this thread. A guarded operation inside
// another (a log entry written by an operation) that fails abandons the outer one as well.
DbOutcome RunGuardedOperation(const std::function<void(soci::session&)>& operation,
                              const GuardOptions& options = {});

template <class F>
DbOutcome RunGuarded(F&& operation, const GuardOptions& options = {}) {
  return RunGuardedOperation(std::function<void(soci::session&)>(std::forward<F>(operation)),
                             options);
}

}  // namespace orlentis
