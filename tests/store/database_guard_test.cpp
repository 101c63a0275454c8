#include "store/database_guard.h"

#include <future>
#include <optional>
#include <sstream>
#include <thread>

#include "base/language.h"
#include "base/operator_log.h"
#include "base/text_ids.h"
#include "store/bound_statement.h"
#include "store/event_log.h"
#include "store_test.h"

namespace orlentis::testing {
namespace {

constexpr auto kGenerousWait = std::chrono::seconds(60);

void RunInvalidSql(soci::session& session) {
  BoundStatement(session, "SELECT nothing FROM NoSuchTable").Execute();
}

class DbGuardTest : public StoreTest {
 protected:
  int RepairEntries() {
    int count = 0;
    const std::string detail = GetLanguageText(kTextRepaired);
    BoundStatement(Session(), "SELECT COUNT(*) FROM Log WHERE strDetail = :d")
        .Use(detail)
        .Into(count)
        .Execute();
    return count;
  }
};

// A failed statement is told by the engine's message and its SQL text. Its bound values are
// password digests and the like, and a digest is as good as a password to a host login.
TEST_F(DbGuardTest, AFailedStatementIsLoggedWithoutItsBoundValues) {
  std::ostringstream operatorLog;
  const OperatorLogCapture capture(operatorLog);
  const std::string digest(64, 'e');
  EXPECT_EQ(RunGuarded([&](soci::session& session) {
              std::string parsed;
              BoundStatement(session, "SELECT json(:password)").Use(digest).Into(parsed).Execute();
            }),
            DbOutcome::kFailed);
  EXPECT_NE(operatorLog.str().find("malformed JSON"), std::string::npos) << operatorLog.str();
  EXPECT_NE(operatorLog.str().find("SELECT json(:password)"), std::string::npos);
  EXPECT_EQ(operatorLog.str().find(digest), std::string::npos) << operatorLog.str();
}

TEST_F(DbGuardTest, CompletedOperationIsDone) {
  EXPECT_EQ(
      RunGuarded([](soci::session& session) {
        BoundStatement(session, "INSERT INTO MaskIP (strIPFrom) VALUES ('1.1.1.1')").Execute();
      }),
      DbOutcome::kDone);
  EXPECT_EQ(Count("MaskIP"), 1);
}

TEST_F(DbGuardTest, DatabaseErrorAbandonsTheOperationAndRepairsOnce) {
  // The flags as the repair sees them while it runs.
  bool unavailableDuringRepair = false;
  bool runningDuringRepair = false;
  DatabaseMaintenance::Instance().SetStartupFinished();
  DatabaseMaintenance::Instance().SetCompactionWait([&](std::chrono::milliseconds) {
    unavailableDuringRepair = DatabaseMaintenance::Instance().IsUnavailable();
    runningDuringRepair = DatabaseMaintenance::Instance().IsMaintenanceRunning();
  });
  bool repaired = false;
  GuardOptions options;
  options.repairSucceeded = &repaired;
  const DbOutcome outcome = RunGuarded(RunInvalidSql, options);
  EXPECT_EQ(outcome, DbOutcome::kFailed);
  EXPECT_TRUE(repaired);
  EXPECT_TRUE(unavailableDuringRepair);
  EXPECT_TRUE(runningDuringRepair);
  EXPECT_FALSE(DatabaseMaintenance::Instance().IsUnavailable());
  EXPECT_FALSE(DatabaseMaintenance::Instance().IsMaintenanceRunning());
  EXPECT_EQ(RepairEntries(), 1);
  EXPECT_EQ(
      RunGuarded([](soci::session& session) { BoundStatement(session, "SELECT 1").Execute(); }),
      DbOutcome::kDone);
}

TEST_F(DbGuardTest, WithRepairsOffAFailureIsOnlyReported) {
  bool compactionBegan = false;
  DatabaseMaintenance::Instance().SetStartupFinished();
  DatabaseMaintenance::Instance().SetCompactionWait(
      [&](std::chrono::milliseconds) { compactionBegan = true; });
  DatabaseMaintenance::Instance().SetRepairsAllowed(false);
  bool repaired = true;
  GuardOptions options;
  options.repairSucceeded = &repaired;
  const DbOutcome outcome = RunGuarded(RunInvalidSql, options);
  DatabaseMaintenance::Instance().SetRepairsAllowed(true);
  EXPECT_EQ(outcome, DbOutcome::kFailed);
  EXPECT_FALSE(repaired);
  EXPECT_FALSE(compactionBegan);
  EXPECT_FALSE(DatabaseMaintenance::Instance().IsUnavailable());
  EXPECT_EQ(RepairEntries(), 0);
}

TEST_F(DbGuardTest, FailureDuringARepairStartsNoSecondOne) {
  std::promise<void> repairWaiting;
  std::promise<void> releaseRepair;
  std::shared_future<void> released = releaseRepair.get_future().share();
  DatabaseMaintenance::Instance().SetStartupFinished();
  DatabaseMaintenance::Instance().SetCompactionWait([&](std::chrono::milliseconds) {
    repairWaiting.set_value();
    released.wait_for(kGenerousWait);
  });

  // An operation already under way on another thread when the repair begins.
  std::promise<void> lateEntered;
  std::promise<void> lateMayFail;
  auto lateOperation = std::async(std::launch::async, [&] {
    return RunGuarded([&](soci::session& session) {
      lateEntered.set_value();
      lateMayFail.get_future().wait_for(kGenerousWait);
      RunInvalidSql(session);
    });
  });
  ASSERT_EQ(lateEntered.get_future().wait_for(kGenerousWait), std::future_status::ready);

  auto firstFailure = std::async(std::launch::async, [] { return RunGuarded(RunInvalidSql); });
  ASSERT_EQ(repairWaiting.get_future().wait_for(kGenerousWait), std::future_status::ready);
  EXPECT_TRUE(DatabaseMaintenance::Instance().IsUnavailable());
  EXPECT_EQ(RunGuarded(RunInvalidSql), DbOutcome::kSkipped);
  EXPECT_FALSE(DatabaseMaintenance::Instance().RepairDatabase());
  lateMayFail.set_value();
  EXPECT_EQ(lateOperation.get(), DbOutcome::kFailed);

  releaseRepair.set_value();
  EXPECT_EQ(firstFailure.get(), DbOutcome::kFailed);
  EXPECT_FALSE(DatabaseMaintenance::Instance().IsUnavailable());
  EXPECT_EQ(RepairEntries(), 1);
  EXPECT_EQ(Count("Log", "strDetail = '" + GetLanguageText(kTextCompactionFailed) + "'"), 0);
}

TEST_F(DbGuardTest, RepairEntryIsWrittenWhileUnavailableWithoutTrimming) {
  LogLimits limits;
  limits.keepRecords = 0;
  Settings::Instance().SetLogLimits(limits);
  EXPECT_EQ(RunGuarded(RunInvalidSql), DbOutcome::kFailed);
  // With a limit of 0 any trim would have removed it.
  EXPECT_EQ(RepairEntries(), 1);
}

// A repair that failed would fail again at once: the database is left unusable instead, and
// the next failure neither repairs again nor holds anyone up.
TEST_F(DbGuardTest, AFailedRepairLeavesTheDatabaseUnusableInsteadOfRepairingAgain) {
  const auto blocked = Database().Folder() / kTemporaryDatabaseFileName;
  std::filesystem::create_directory(blocked);
  WriteWholeFile(blocked / "keep", "x");
  bool repaired = true;
  GuardOptions options;
  options.repairSucceeded = &repaired;
  EXPECT_EQ(RunGuarded(RunInvalidSql, options), DbOutcome::kFailed);
  EXPECT_FALSE(repaired);
  EXPECT_TRUE(DatabaseMaintenance::Instance().IsUnusable());
  EXPECT_TRUE(DatabaseMaintenance::Instance().IsUnavailable());
  EXPECT_FALSE(DatabaseMaintenance::Instance().IsMaintenanceRunning());
  EXPECT_EQ(RunGuarded(RunInvalidSql), DbOutcome::kSkipped);
  DatabaseMaintenance::Instance().MarkUsable();
  EXPECT_EQ(Count("Log", "strDetail = '" + GetLanguageText(kTextCompactionFailed) + "'"), 1);
}

TEST_F(DbGuardTest, FailureInsideANestedOperationAbandonsTheOuterOneAndRepairsOnce) {
  bool outerContinued = false;
  std::optional<DbOutcome> inner;
  const DbOutcome outer = RunGuarded([&](soci::session& session) {
    BoundStatement(session, "INSERT INTO MaskIP (strIPFrom) VALUES ('outer')").Execute();
    inner = RunGuarded(RunInvalidSql);
    outerContinued = true;
  });
  EXPECT_EQ(outer, DbOutcome::kFailed);
  EXPECT_FALSE(outerContinued);
  EXPECT_FALSE(inner.has_value());  // the inner guard did not return
  EXPECT_EQ(RepairEntries(), 1);
}

class DbGuardLogTest : public DbGuardTest {
 protected:
  DbGuardLogTest() { SetCurrentClock(&clock_); }
  ~DbGuardLogTest() override { SetCurrentClock(nullptr); }

  std::vector<std::string> LinesOf(std::string_view id) const {
    std::vector<std::string> lines;
    std::istringstream text(log_.str());
    for (std::string line; std::getline(text, line);) {
      if (line.find("[" + std::string(id) + "]") != std::string::npos) lines.push_back(line);
    }
    return lines;
  }

  ManualClock clock_{1'700'000'000};
  std::ostringstream log_;
  OperatorLogCapture capture_{log_};
};

TEST_F(DbGuardLogTest, DatabaseErrorIsLoggedOnceASecondBeforeTheRepair) {
  EXPECT_EQ(RunGuarded(RunInvalidSql), DbOutcome::kFailed);
  EXPECT_EQ(RunGuarded(RunInvalidSql), DbOutcome::kFailed);
  const std::string firstSecond = log_.str();
  clock_.AdvanceSeconds(1);
  EXPECT_EQ(RunGuarded(RunInvalidSql), DbOutcome::kFailed);

  const auto errors = LinesOf("store.database-error");
  ASSERT_EQ(errors.size(), 2u) << log_.str();
  EXPECT_NE(errors[0].find(" error [store.database-error] "), std::string::npos) << errors[0];
  EXPECT_NE(errors[0].find("NoSuchTable"), std::string::npos) << errors[0];
  EXPECT_NE(errors[1].find("(1 similar message suppressed)"), std::string::npos) << errors[1];
  // Each failure repaired, and the error said before the first repair began.
  EXPECT_EQ(RepairEntries(), 3);
  const auto repairAt = firstSecond.find("[store.repair-started]");
  ASSERT_NE(repairAt, std::string::npos) << firstSecond;
  EXPECT_LT(firstSecond.find("[store.database-error]"), repairAt);
}

TEST_F(DbGuardTest, SessionFollowsTheDatabaseFile) {
  TempFolder otherFolder;
  // Characters a connect string or a URI would otherwise read as syntax.
  const auto otherFile = otherFolder / "other \"quoted\" 'file' %20?#.db";
  soci::session& before = ThreadSession();
  BoundStatement(before, "INSERT INTO MaskIP (strIPFrom) VALUES ('first')").Execute();
  SetDatabaseFile(otherFile);
  std::thread([&] {
    EXPECT_EQ(RunGuarded([](soci::session& session) {
                BoundStatement(session, "CREATE TABLE Marker (x INTEGER)").Execute();
              }),
              DbOutcome::kDone);
    CloseThreadSession();
  }).join();
  int markers = -1;
  BoundStatement(ThreadSession(), "SELECT COUNT(*) FROM Marker").Into(markers).Execute();
  EXPECT_EQ(markers, 0);
  EXPECT_TRUE(std::filesystem::exists(otherFile));
  CloseThreadSession();
  SetDatabaseFile(Database().File());
  EXPECT_EQ(Count("MaskIP"), 1);
}

// Another thread that lost its connection reopens every thread's session: a unit of work
// under way keeps its own, with its open transaction, and the next one gets a new session
// (told by a temporary table, which only the session that made it sees).
TEST_F(DbGuardTest, ASessionReopenedFromElsewhereStaysUntilTheUnitUsingItEnds) {
  const auto seesMarker = [](soci::session& session) {
    int tables = 0;
    BoundStatement(session, "SELECT COUNT(*) FROM sqlite_temp_master WHERE name = 'marker'")
        .Into(tables)
        .Execute();
    return tables == 1;
  };
  bool nestedSawIt = false;
  EXPECT_EQ(RunGuarded([&](soci::session& session) {
              BoundStatement(session, "CREATE TEMP TABLE marker (x INTEGER)").Execute();
              BoundStatement(session, "BEGIN").Execute();
              ReopenAllSessions();
              RunGuarded([&](soci::session& inner) { nestedSawIt = seesMarker(inner); });
              EXPECT_TRUE(IsInTransaction(session));
              BoundStatement(session, "COMMIT").Execute();
            }),
            DbOutcome::kDone);
  EXPECT_TRUE(nestedSawIt);
  bool laterSawIt = true;
  EXPECT_EQ(RunGuarded([&](soci::session& session) { laterSawIt = seesMarker(session); }),
            DbOutcome::kDone);
  EXPECT_FALSE(laterSawIt);
}

}  // namespace
}  // namespace orlentis::testing
