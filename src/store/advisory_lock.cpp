#include "store/advisory_lock.h"

#include "store/bound_statement.h"
#include "store/engine_dialect.h"

namespace orlentis {

AdvisoryLock::AdvisoryLock(soci::session& session, std::int64_t key)
    : session_(session), key_(key) {
  if (SessionEngine(session_) != DatabaseEngine::kPostgres) return;
  const long long lockKey = key_;
  int locked = 0;
  BoundStatement(session_, "SELECT 1 FROM pg_advisory_lock(:key)")
      .Use(lockKey)
      .Into(locked)
      .Execute();
  held_ = true;
}

// A session that broke meanwhile has let go of the lock already.
AdvisoryLock::~AdvisoryLock() {
  if (!held_) return;
  try {
    const long long key = key_;
    int released = 0;
    BoundStatement(session_, "SELECT CAST(pg_advisory_unlock(:key) AS integer)")
        .Use(key)
        .Into(released)
        .Execute();
  } catch (...) {
  }
}

bool TryAdvisoryLock(soci::session& session, std::int64_t key) {
  const long long lockKey = key;
  int taken = 0;
  BoundStatement(session, "SELECT CAST(pg_try_advisory_lock(:key) AS integer)")
      .Use(lockKey)
      .Into(taken)
      .Execute();
  return taken == 1;
}

}  // namespace orlentis
