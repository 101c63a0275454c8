#include <unistd.h>

#include <chrono>
#include <sstream>

#include "base/operator_log.h"
#include "store/bound_statement.h"
#include "store/database_error.h"
#include "store/database_guard.h"
#include "store/event_log.h"
#include "store/postgres_maintenance.h"
#include "store_test.h"
#include "support/base/poll_until.h"

namespace orlentis::testing {
namespace {

// What a PostgreSQL database's failures cost: a lost connection or a conflict is tried once
// more, a name taken by another writer is a refusal, and a server that cannot be reached makes
// the database unusable until it is back, without a restart.
class PostgresRepairTest : public StoreTest {
 protected:
  PostgresRepairTest() : StoreTest(DatabaseEngine::kPostgres) {}

  void AddGroup(soci::session& session, const std::string& name) {
    BoundStatement(session, "INSERT INTO \"Group\" (strName, nLevel) VALUES (:name, 9)")
        .Use(name)
        .Execute();
  }

  std::ostringstream log_;
  OperatorLogCapture capture_{log_};
};

TEST_F(PostgresRepairTest, AConnectionTheServerEndedIsReopenedAndTheOperationDoneOnce) {
  int backend = 0;
  ASSERT_EQ(RunGuarded([&](soci::session& session) {
              BoundStatement(session, "SELECT pg_backend_pid()").Into(backend).Execute();
            }),
            DbOutcome::kDone);
  const auto other = OpenSession(CurrentDatabaseTarget());
  BoundStatement(*other, "SELECT pg_terminate_backend(:pid)").Use(backend).Execute();

  int runs = 0;
  EXPECT_EQ(RunGuarded([&](soci::session& session) {
              ++runs;
              AddGroup(session, "after the restart");
            }),
            DbOutcome::kDone);
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(Count("\"Group\"", "strName = 'after the restart'"), 1);
  EXPECT_FALSE(DatabaseMaintenance::Instance().IsUnavailable());
  EXPECT_EQ(log_.str().find("[store.repair-started]"), std::string::npos) << log_.str();
}

// A connection lost again at once after it was reopened, as when the first reconnect reached a
// primary in its last moments, is reopened again, and the operation still done once. A
// session the server ended is known as lost by its error, before libpq may have marked it.
TEST_F(PostgresRepairTest, AConnectionLostAgainAfterItsReconnectIsReopenedAgain) {
  const auto ended = OpenSession(CurrentDatabaseTarget());
  try {
    BoundStatement(*ended, "SELECT pg_terminate_backend(pg_backend_pid())").Execute();
    ADD_FAILURE() << "the session outlived its own termination";
  } catch (const DatabaseError& error) {
    EXPECT_EQ(error.ErrorKind(), DatabaseError::Kind::kConnectionLost) << error.what();
  }

  int runs = 0;
  EXPECT_EQ(RunGuarded([&](soci::session& session) {
              if (++runs <= 2) {
                BoundStatement(session, "SELECT pg_terminate_backend(pg_backend_pid())").Execute();
              }
              AddGroup(session, "after two losses");
            }),
            DbOutcome::kDone);
  EXPECT_EQ(runs, 3);
  EXPECT_EQ(Count("\"Group\"", "strName = 'after two losses'"), 1);
  EXPECT_EQ(log_.str().find("[store.repair-started]"), std::string::npos) << log_.str();
}

// A serialization failure or deadlock undid the whole transaction: a second run passes. A
// unique name another writer took is run once more too, so that the work's own lookup can
// refuse it; it repairs nothing.
TEST_F(PostgresRepairTest, AConflictIsTriedOnceMoreAndATakenNameRepairsNothing) {
  int runs = 0;
  EXPECT_EQ(RunGuarded([&](soci::session& session) {
              if (++runs == 1) {
                BoundStatement(session,
                               "DO $$ BEGIN RAISE EXCEPTION 'conflict' USING ERRCODE = '40001'; "
                               "END $$")
                    .Execute();
              }
              AddGroup(session, "second run");
            }),
            DbOutcome::kDone);
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(Count("\"Group\"", "strName = 'second run'"), 1);

  runs = 0;
  EXPECT_EQ(RunGuarded([&](soci::session& session) {
              ++runs;
              AddGroup(session, "SECOND RUN");
            }),
            DbOutcome::kFailed);
  EXPECT_EQ(runs, 2);
  EXPECT_FALSE(DatabaseMaintenance::Instance().IsUnavailable());
  EXPECT_EQ(log_.str().find("[store.repair-started]"), std::string::npos) << log_.str();
}

// The maintenance has no file to compact: it keeps the log within its limits and vacuums.
TEST_F(PostgresRepairTest, TheMaintenanceTrimsTheLogAndVacuumsAndAnalysesTheTables) {
  LogLimits limits;
  limits.mode = 0;
  limits.keepRecords = 5;
  Settings::Instance().SetLogLimits(limits);
  for (int entry = 0; entry < 20; ++entry) {
    AppendLogEntryWithoutTrim(Session(), "test", "entry", std::to_string(entry), {"test"});
  }
  EXPECT_TRUE(DatabaseMaintenance::Instance().RunMaintenance());
  // The maintenance's own entry comes after the trim.
  EXPECT_EQ(Count("Log"), 6);
  EXPECT_EQ(Count("pg_stat_user_tables", "last_vacuum IS NOT NULL AND last_analyze IS NOT NULL"),
            7);
  EXPECT_NE(log_.str().find("vacuumed and analysed"), std::string::npos) << log_.str();
}

// Down at the moment of an operation, and back a while later: the server tries every few
// seconds on its own and takes the database up again without a restart.
TEST_F(PostgresRepairTest, AnUnreachableDatabaseIsUnusableUntilItIsBackByItself) {
  const std::string later = "later_" + std::to_string(::getpid());
  SetDatabaseConnection(PostgresServer::Shared().ConnectionString(later));
  DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  maintenance.SetRepairsInBackground(true);

  EXPECT_EQ(RunGuarded([](soci::session&) {}), DbOutcome::kFailed);
  ASSERT_TRUE(PollUntil([&] { return maintenance.IsUnusable(); }, std::chrono::seconds(20)));
  EXPECT_EQ(RunGuarded([](soci::session&) {}), DbOutcome::kSkipped);

  PostgresServer::Shared().CreateDatabase(later);
  EXPECT_TRUE(PollUntil([&] { return !maintenance.IsUnusable(); }, std::chrono::seconds(10)));
  EXPECT_EQ(RunGuarded([](soci::session&) {}), DbOutcome::kDone);
  maintenance.StopBackgroundWork();
  maintenance.SetRepairsInBackground(false);
  const std::string printed = log_.str();
  EXPECT_NE(printed.find("[store.database-unusable]"), std::string::npos) << printed;
  EXPECT_NE(printed.find("checked every few seconds"), std::string::npos) << printed;
  EXPECT_NE(printed.find("[store.database-usable]"), std::string::npos) << printed;
}

}  // namespace
}  // namespace orlentis::testing
