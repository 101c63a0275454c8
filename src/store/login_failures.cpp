#include "store/login_failures.h"

#include "store/bound_statement.h"

namespace orlentis {

std::int32_t CountSharedLoginFailure(soci::session& session, const std::string& key, double now,
                                     std::int32_t windowSeconds) {
  const double windowOver = now - windowSeconds;
  std::int32_t failures = 0;
  BoundStatement(session,
                 "INSERT INTO orlentis_login_failure AS f (key, window_start, failures) "
                 "VALUES (:key, :now, 1) ON CONFLICT (key) DO UPDATE SET "
                 "failures = CASE WHEN f.window_start <= :over THEN 1 ELSE f.failures + 1 END, "
                 "window_start = CASE WHEN f.window_start <= :overAgain THEN :nowAgain "
                 "ELSE f.window_start END RETURNING failures")
      .Use(key)
      .Use(now)
      .Use(windowOver)
      .Use(windowOver)
      .Use(now)
      .Into(failures)
      .Execute();
  return failures;
}

void ForgetSharedLoginFailures(soci::session& session, double before) {
  BoundStatement(session, "DELETE FROM orlentis_login_failure WHERE window_start < :before")
      .Use(before)
      .Execute();
}

}  // namespace orlentis
