#include "store/postgres_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <thread>
#include <vector>

#include "store/bound_statement.h"
#include "store/database_error.h"
#include "store/engine.h"
#include "store/schema.h"
#include "store/schema_version.h"
#include "store/store_startup.h"
#include "store/transaction.h"
#include "support/store/postgres_server.h"

namespace orlentis::testing {
namespace {

std::string Seconds(std::chrono::seconds time) {
  return std::to_string(time.count());
}

// Whether the key=value form holds setting as key='value'.
bool Sets(const std::string& connection, const std::string& setting) {
  return (" " + connection + " ").find(" " + setting + " ") != std::string::npos;
}

TEST(PostgresConnectionTest, BoundedWaitsAreAddedWhereTheStringDoesNotSetThem) {
  const std::string bounded =
      BoundedConnectionString("host=/run/db dbname=orlentis connect_timeout=2");
  const std::string userTimeout =
      std::to_string(std::chrono::milliseconds(kPostgresTcpUserTimeout).count());
  for (const std::string& setting : std::vector<std::string>{
           "host='/run/db'", "dbname='orlentis'", "connect_timeout='2'", "keepalives='1'",
           "keepalives_idle='" + Seconds(kPostgresKeepaliveIdle) + "'",
           "tcp_user_timeout='" + userTimeout + "'"}) {
    EXPECT_TRUE(Sets(bounded, setting)) << setting << " not in " << bounded;
  }
  EXPECT_EQ(std::count(bounded.begin(), bounded.end(), '='), 6) << bounded;
  // What it gives is read back as it is, quotes and backslashes included.
  const std::string quoted = BoundedConnectionString("password='it\\'s a \\\\ sign'");
  EXPECT_TRUE(Sets(quoted, "password='it\\'s a \\\\ sign'")) << quoted;
  EXPECT_EQ(BoundedConnectionString(quoted), quoted);
}

TEST(PostgresConnectionTest, AnAddressIsReadAsLibpqReadsIt) {
  const std::string bounded =
      BoundedConnectionString("postgresql://db.example:5433/orlentis?keepalives_idle=7");
  for (const std::string& setting : std::vector<std::string>{
           "host='db.example'", "port='5433'", "dbname='orlentis'", "keepalives_idle='7'",
           "connect_timeout='" + Seconds(kPostgresConnectTimeout) + "'"}) {
    EXPECT_TRUE(Sets(bounded, setting)) << setting << " not in " << bounded;
  }
  EXPECT_THROW(BoundedConnectionString("host"), soci::soci_error);
}

class PostgresSessionTest : public PostgresTest {
 protected:
  void SetUp() override {
    PostgresTest::SetUp();
    if (IsSkipped()) return;
    static int databases = 0;
    target_ =
        DatabaseTarget::Postgres(Server().CreateDatabase("session_" + std::to_string(++databases)));
    session_ = OpenSession(target_);
  }

  std::string Show(const std::string& setting) {
    std::string value;
    BoundStatement(*session_, "SHOW " + setting).Into(value).Execute();
    return value;
  }

  DatabaseTarget target_;
  std::unique_ptr<soci::session> session_;
};

TEST_F(PostgresSessionTest, EverySessionWaitsBoundedTimes) {
  EXPECT_EQ(Show("statement_timeout"), Seconds(kPostgresStatementTimeout) + "s");
  EXPECT_EQ(Show("lock_timeout"), Seconds(kPostgresLockTimeout) + "s");
}

TEST_F(PostgresSessionTest, ALockNotGrantedInTimeFailsAsBusy) {
  ASSERT_EQ(UpgradeSchema(*session_).outcome, SchemaUpgrade::Outcome::kCurrent);
  BoundStatement(*session_, "INSERT INTO Site (strIP) VALUES ('10.0.0.1')").Execute();
  Transaction holder(*session_);
  BoundStatement(*session_, "UPDATE Site SET bOnline = 1").Execute();

  const auto waiting = OpenSession(target_);
  BoundStatement(*waiting, "SET lock_timeout = 50").Execute();
  try {
    BoundStatement(*waiting, "UPDATE Site SET bOnline = 2").Execute();
    ADD_FAILURE() << "the update did not wait for the lock";
  } catch (const DatabaseError& error) {
    EXPECT_TRUE(IsBusyError(error)) << error.what();
  }
}

// The versions after the first are kept in orlentis_schema, each set with its step.
TEST_F(PostgresSessionTest, UpgradesRunInOrderAndAFailingOneIsUndone) {
  const std::vector<SchemaScript> scripts = {
      {1, SchemaScripts(DatabaseEngine::kPostgres).front().sql},
      {2, "CREATE TABLE Extra (n integer); INSERT INTO Extra VALUES (2);"},
      {3, "INSERT INTO Extra VALUES (3); ALTER TABLE Extra ADD COLUMN m integer;"},
      {4, "DELETE FROM Extra; INSERT INTO Missing VALUES (1);"},
  };
  EXPECT_EQ(SchemaVersion(*session_), 0);
  const SchemaUpgrade first = UpgradeSchema(*session_, std::span(scripts).first(2));
  EXPECT_EQ(first.outcome, SchemaUpgrade::Outcome::kCurrent) << first.error;
  EXPECT_EQ(SchemaVersion(*session_), 2);

  const SchemaUpgrade failed = UpgradeSchema(*session_, scripts);
  EXPECT_EQ(failed.outcome, SchemaUpgrade::Outcome::kStepFailed);
  EXPECT_EQ(failed.failedVersion, 4);
  EXPECT_NE(failed.error.find("missing"), std::string::npos) << failed.error;
  EXPECT_EQ(SchemaVersion(*session_), 3);
  std::string values;
  BoundStatement(*session_, "SELECT string_agg(CAST(n AS text), ',' ORDER BY n) FROM Extra")
      .Into(values)
      .Execute();
  EXPECT_EQ(values, "2,3");
}

// Servers started together on an empty database: each finds the schema made and the first
// accounts written once, by whichever came first, and none fails for meeting the other's
// tables half made.
TEST_F(PostgresSessionTest, ServersStartingTogetherPrepareTheDatabaseOnce) {
  ::setenv(kAdminPasswordVariable, "starting-together", 1);
  for (int round = 0; round < 3; ++round) {
    const DatabaseTarget fresh =
        DatabaseTarget::Postgres(Server().CreateDatabase("together_" + std::to_string(round)));
    std::vector<DatabasePreparation> preparations(3);
    std::vector<std::thread> servers;
    for (auto& preparation : preparations) {
      servers.emplace_back([&fresh, &preparation] {
        preparation = PrepareDatabase(fresh);
        CloseThreadSession();
      });
    }
    for (auto& server : servers) server.join();
    for (const auto preparation : preparations) {
      EXPECT_EQ(preparation, DatabasePreparation::kReady) << "round " << round;
    }
    const auto session = OpenSession(fresh);
    int groups = 0;
    int users = 0;
    BoundStatement(*session, "SELECT COUNT(*) FROM \"Group\"").Into(groups).Execute();
    BoundStatement(*session, "SELECT COUNT(*) FROM \"User\"").Into(users).Execute();
    EXPECT_EQ(groups, 4) << "round " << round;
    EXPECT_EQ(users, 1) << "round " << round;
  }
}

}  // namespace
}  // namespace orlentis::testing
