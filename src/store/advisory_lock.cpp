#include "store/advisory_lock.h"

#include "store/bound_statement.h"
#include "store/engine_dialect.h"

namespace orlentis {
namespace {

// One of PostgreSQL's lock functions on key, its answer as a number.
int CallWithKey(soci::session& session, const char* sql, std::int64_t key) {
  const long long lockKey = key;
  int answer = 0;
  BoundStatement(session, sql).Use(lockKey).Into(answer).Execute();
  return answer;
}

}  // namespace

AdvisoryLock::AdvisoryLock(soci::session& session, std::int64_t key)
    : session_(session), key_(key) {
  if (SessionEngine(session_) != DatabaseEngine::kPostgres) return;
  CallWithKey(session_, "SELECT 1 FROM pg_advisory_lock(:key)", key_);
  held_ = true;
}

// A session that broke meanwhile has let go of the lock already.
AdvisoryLock::~AdvisoryLock() {
  if (!held_) return;
  try {
    CallWithKey(session_, "SELECT CAST(pg_advisory_unlock(:key) AS integer)", key_);
  } catch (...) {
  }
}

bool TryAdvisoryLock(soci::session& session, std::int64_t key) {
  return CallWithKey(session, "SELECT CAST(pg_try_advisory_lock(:key) AS integer)", key) == 1;
}

}  // namespace orlentis
