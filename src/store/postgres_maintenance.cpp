#include "store/postgres_maintenance.h"

#include <exception>

#include "base/clock.h"
#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "base/settings.h"
#include "store/bound_statement.h"
#include "store/database_error.h"
#include "store/directory_tables.h"
#include "store/engine.h"
#include "store/event_log.h"
#include "store/login_failures.h"

namespace orlentis {

void VacuumPostgresDatabase(soci::session& session) {
  TrimLog();
  // A window that is over counts for nothing: its key starts again at its next failure.
  ForgetSharedLoginFailures(session, static_cast<double>(CurrentClock().Now()) -
                                         Settings::Instance().GetLoginWindowSeconds());
  std::string statementTimeout;
  BoundStatement(session, "SHOW statement_timeout").Into(statementTimeout).Execute();
  // A vacuum of a grown log outlasts the bound every request's statement keeps; the bound
  // comes back for what the session runs next.
  BoundStatement(session, "SET statement_timeout = 0").Execute();
  for (const DirectoryTable& table : DirectoryTables()) {
    BoundStatement(session, std::string("VACUUM (ANALYZE) ") + table.sql).Execute();
  }
  BoundStatement(session, "SET statement_timeout = '" + statementTimeout + "'").Execute();
}

std::vector<std::string> CheckPostgresTables(const DatabaseTarget& target) {
  const auto session = OpenSession(target);
  std::vector<std::string> problems;
  for (const DirectoryTable& table : DirectoryTables()) {
    // A failed statement ends the transaction, so each table is read in one of its own.
    BoundStatement(*session, "BEGIN READ ONLY").Execute();
    try {
      long long rows = 0;
      BoundStatement(*session, std::string("SELECT COUNT(*) FROM ") + table.sql)
          .Into(rows)
          .Execute();
    } catch (const std::exception& error) {
      problems.push_back(std::string(table.name) + ": " + DescribeDatabaseError(error));
    }
    BoundStatement(*session, "ROLLBACK").Execute();
  }
  return problems;
}

bool CanReachPostgres(const DatabaseTarget& target) {
  try {
    const auto session = OpenSession(target);
    int one = 0;
    BoundStatement(*session, "SELECT 1").Into(one).Execute();
    return one == 1;
  } catch (const std::exception&) {
    return false;
  }
}

bool ReconnectWithBackoff(const std::function<bool()>& reach,
                          const std::function<void(std::chrono::milliseconds)>& wait,
                          std::chrono::milliseconds span) {
  std::chrono::milliseconds pause = kFirstReconnectWait;
  std::chrono::milliseconds waited{0};
  while (!reach()) {
    if (waited + pause > span) return false;
    wait(pause);
    waited += pause;
    pause *= 2;
  }
  return true;
}

}  // namespace orlentis
