#pragma once

#include <soci/soci.h>

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

#include "store/db_outcome.h"

namespace orlentis {

struct GuardOptions {
  // Only the maintenance's own log entries run while the database is marked unavailable.
  bool honourUnavailable = true;
  // When a failure started a repair, receives whether the repair succeeded.
  bool* repairSucceeded = nullptr;
};

// The one guard around every database operation. The operation gets the calling thread's
// session. Any exception it raises abandons it and, unless a repair is already under way,
// runs DatabaseMaintenance::RepairDatabase() at once on this thread; a lock that another
// connection held past the busy timeout abandons it as kBusy, without a repair. A guarded operation
// inside another (a log entry written by an operation) that fails abandons the outer one as well.
DbOutcome RunGuardedOperation(const std::function<void(soci::session&)>& operation,
                              const GuardOptions& options = {});

template <class F>
DbOutcome RunGuarded(F&& operation, const GuardOptions& options = {}) {
  return RunGuardedOperation(std::function<void(soci::session&)>(std::forward<F>(operation)),
                             options);
}

// The same for an operation that gives back a value: the result carries it when the
// operation ran to its end.
template <class F, class T = std::invoke_result_t<F&, soci::session&>>
DbResult<T> RunGuardedFor(F&& operation, const GuardOptions& options = {}) {
  DbResult<T> result;
  result.outcome = RunGuarded(
      [&](soci::session& session) { result.value.emplace(operation(session)); }, options);
  // A retried operation may have given a value before its second run failed.
  if (result.outcome != DbOutcome::kDone) result.value.reset();
  return result;
}

}  // namespace orlentis
