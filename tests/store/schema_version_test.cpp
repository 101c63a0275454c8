#include "store/schema_version.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "base/clock.h"
#include "store/bound_statement.h"
#include "store/engine.h"
#include "store/schema.h"
#include "store/schema_scripts.h"
#include "store/store_startup.h"
#include "store_test.h"
#include "support/base/operator_log_lines.h"
#include "support/base/temp_folder.h"
#include "support/store/temp_database.h"

namespace orlentis::testing {
namespace {

// The tables and indexes as builds before schema versions created them, one statement each.
constexpr const char* kUnversionedSchema =
    "CREATE TABLE Site (nID INTEGER PRIMARY KEY AUTOINCREMENT, strIP TEXT COLLATE NOCASE, "
    "strSiteName TEXT COLLATE NOCASE, nInstanceID INTEGER, nWebServerPort INTEGER, "
    "bOnline INTEGER, dCheckInTime REAL);"
    "CREATE TABLE Camera (nSiteID INTEGER, nIndex INTEGER, bExistence INTEGER, "
    "nStateFlag INTEGER, strResolution TEXT, strName TEXT);"
    "CREATE TABLE \"User\" (nID INTEGER PRIMARY KEY AUTOINCREMENT, nGroupID INTEGER, "
    "strName TEXT COLLATE NOCASE, strDescription TEXT, strPassword TEXT, bsAuthority INTEGER);"
    "CREATE TABLE \"Group\" (nID INTEGER PRIMARY KEY AUTOINCREMENT, strName TEXT COLLATE "
    "NOCASE, nLevel INTEGER, bsAuthority INTEGER);"
    "CREATE TABLE UserSite (nUserID INTEGER, nSiteID INTEGER, strCameraAuthority TEXT);"
    "CREATE TABLE Log (time TEXT, strSource TEXT, strAction TEXT, strDetail TEXT);"
    "CREATE TABLE MaskIP (strDescription TEXT, strIPFrom TEXT COLLATE NOCASE, strIPTo TEXT);"
    "CREATE INDEX SiteByAddress ON Site (strIP, nInstanceID, strSiteName);"
    "CREATE INDEX SiteByAddressAndInstance ON Site (strIP, nInstanceID);"
    "CREATE INDEX SiteByOnline ON Site (bOnline);"
    "CREATE INDEX CameraBySite ON Camera (nSiteID, nIndex);"
    "CREATE INDEX UserByName ON \"User\" (strName);"
    "CREATE INDEX UserByGroup ON \"User\" (nGroupID);"
    "CREATE INDEX GroupByName ON \"Group\" (strName);"
    "CREATE INDEX UserSiteByUser ON UserSite (nUserID, nSiteID);"
    "CREATE INDEX UserSiteBySite ON UserSite (nSiteID);"
    "CREATE INDEX LogByTime ON Log (time);"
    "CREATE INDEX MaskIPByFrom ON MaskIP (strIPFrom);";

constexpr const char* kSomeRows =
    "INSERT INTO \"Group\" (strName, nLevel, bsAuthority) VALUES ('Night Shift', 0, 511);"
    "INSERT INTO \"User\" (nGroupID, strName, strDescription, strPassword, bsAuthority) "
    "VALUES (1, 'Alice', 'desk', 'digest', 511);"
    "INSERT INTO Site (strIP, strSiteName, nInstanceID, nWebServerPort, bOnline, dCheckInTime) "
    "VALUES ('10.0.0.7', 'Lobby', -1, 80, 1, 45000.5);"
    "INSERT INTO Camera VALUES (1, 0, 1, 3, '1920x1080', 'Door');"
    "INSERT INTO UserSite VALUES (1, 1, 'YYNN');"
    "INSERT INTO Log VALUES ('2024-05-01 10:00:00', 'Orlentis', 'Start', 'started');"
    "INSERT INTO MaskIP VALUES ('office', '10.0.0.0', '10.0.0.255');";

std::vector<std::string> Names(soci::session& session, const std::string& query) {
  std::vector<std::string> names;
  std::string name;
  BoundStatement statement(session, query);
  statement.Into(name);
  while (statement.Fetch()) names.push_back(name);
  return names;
}

// Every row of every table in the database, each value quoted as SQL writes it.
std::vector<std::string> AllRows(soci::session& session) {
  std::vector<std::string> rows;
  for (const std::string& table :
       Names(session, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")) {
    std::string values = "'" + table + "'";
    for (const std::string& column :
         Names(session, "SELECT name FROM pragma_table_info('" + table + "')")) {
      values += " || ',' || quote(\"" + column + "\")";
    }
    for (const std::string& row :
         Names(session, "SELECT " + values + " FROM \"" + table + "\" ORDER BY rowid")) {
      rows.push_back(row);
    }
  }
  return rows;
}

// The schema as the engine keeps it, whitespace aside.
std::vector<std::string> SchemaText(soci::session& session) {
  std::vector<std::string> objects;
  std::string sql;
  BoundStatement query(session,
                       "SELECT sql FROM sqlite_master WHERE sql IS NOT NULL ORDER BY name");
  query.Into(sql);
  while (query.Fetch()) {
    std::erase_if(sql, [](unsigned char c) { return std::isspace(c); });
    objects.push_back(sql);
  }
  return objects;
}

std::unique_ptr<soci::session> DatabaseWith(const std::filesystem::path& file,
                                            const std::string& script) {
  auto session = OpenSession(file);
  ExecuteScript(*session, script);
  return session;
}

// Every test has its own folder and leaves the store pointing nowhere.
class SchemaVersionTest : public ::testing::Test {
 protected:
  SchemaVersionTest() {
    TestProgramFolder();
    ::setenv(kAdminPasswordVariable, kTestAdminPassword, 1);
    // Each test's refusal is its own line, not a repeat of the test's before held back as
    // one within the same second.
    static ManualClock clock(1'700'000'000);
    clock.AdvanceSeconds(60);
    SetCurrentClock(&clock);
  }
  ~SchemaVersionTest() override {
    CloseThreadSession();
    SetDatabaseFile({});
    SetCurrentClock(nullptr);
  }

  const TempFolder folder_;
  const std::filesystem::path file_ = folder_ / kDatabaseFileName;
};

TEST_F(SchemaVersionTest, UnversionedDatabaseBecomesVersion1WithEveryRowAndTheFreshSchema) {
  std::vector<std::string> rowsBefore;
  {
    const auto session = DatabaseWith(file_, std::string(kUnversionedSchema) + kSomeRows);
    ASSERT_EQ(SchemaVersion(*session), 0);
    rowsBefore = AllRows(*session);
  }
  ASSERT_EQ(rowsBefore.size(), 7u + 3u);  // a row in each table, and three AUTOINCREMENT counters
  ASSERT_EQ(PrepareDatabase(file_), DatabasePreparation::kReady);
  EXPECT_EQ(SchemaVersion(ThreadSession()), 1);
  // Its group and user are kept, so no first-start account is added either.
  EXPECT_EQ(AllRows(ThreadSession()), rowsBefore);
  const std::vector<std::string> adopted = SchemaText(ThreadSession());

  const auto freshFile = folder_ / "fresh.db";
  ASSERT_EQ(PrepareDatabase(freshFile), DatabasePreparation::kReady);
  EXPECT_EQ(SchemaVersion(ThreadSession()), SchemaScripts().back().version);
  EXPECT_EQ(SchemaText(ThreadSession()), adopted);
  EXPECT_EQ(adopted.size(), 7u + 11u + 1u);
}

TEST_F(SchemaVersionTest, UpgradesRunInOrderOnceEach) {
  const std::vector<SchemaScript> scripts = {
      {1, kSchemaScript1},
      {2, "CREATE TABLE Extra (n INTEGER); INSERT INTO Extra VALUES (2);"},
      {3, "INSERT INTO Extra VALUES (3); ALTER TABLE Extra ADD COLUMN m INTEGER;"},
  };
  const auto session = OpenSession(file_);
  const SchemaUpgrade first = UpgradeSchema(*session, std::span(scripts).first(2));
  EXPECT_EQ(first.outcome, SchemaUpgrade::Outcome::kCurrent);
  EXPECT_EQ(first.version, 2);
  // Version 2's script would fail if it ran again: its table exists.
  const SchemaUpgrade second = UpgradeSchema(*session, scripts);
  EXPECT_EQ(second.outcome, SchemaUpgrade::Outcome::kCurrent) << second.error;
  EXPECT_EQ(second.version, 3);
  EXPECT_EQ(SchemaVersion(*session), 3);
  std::string values;
  BoundStatement(*session, "SELECT group_concat(n) FROM Extra").Into(values).Execute();
  EXPECT_EQ(values, "2,3");
}

TEST_F(SchemaVersionTest, FailingUpgradeIsRefusedAndLeavesTheDatabaseAsItWas) {
  std::vector<std::string> rowsBefore;
  {
    const auto session = DatabaseWith(
        file_, std::string(kUnversionedSchema) + kSomeRows + "PRAGMA user_version = 1;");
    rowsBefore = AllRows(*session);
  }
  const std::string bytesBefore = ReadWholeFile(file_);
  // A row is changed before the failing statement.
  const std::vector<SchemaScript> scripts = {
      {1, kSchemaScript1}, {2, "DELETE FROM \"User\"; INSERT INTO Missing VALUES (1);"}};
  ::testing::internal::CaptureStderr();
  const DatabasePreparation preparation = PrepareDatabase(file_, scripts);
  const std::string printed = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(preparation, DatabasePreparation::kRefused);
  const std::string expected = "error [store.database-refused] cannot upgrade the database " +
                               file_.string() +
                               " from schema version 1 to 2 (no such table: Missing); it was "
                               "left at version 1; refusing to start: ";
  EXPECT_TRUE(IsTheOnlyErrorLine(printed, expected)) << printed;
  EXPECT_TRUE(ReadWholeFile(file_) == bytesBefore) << "the database file changed";
  const auto session = OpenSession(file_);
  EXPECT_EQ(SchemaVersion(*session), 1);
  EXPECT_EQ(AllRows(*session), rowsBefore);
}

TEST_F(SchemaVersionTest, NewerDatabaseIsRefusedAndNotWrittenTo) {
  // In rollback-journal mode, where a session's switch to write-ahead logging alone would
  // rewrite the file's header.
  DatabaseWith(file_,
               "PRAGMA journal_mode = DELETE; CREATE TABLE Site (nID INTEGER);"
               "PRAGMA user_version = 99;");
  const std::string bytesBefore = ReadWholeFile(file_);
  ::testing::internal::CaptureStderr();
  const DatabasePreparation preparation = PrepareDatabase(file_);
  const std::string printed = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(preparation, DatabasePreparation::kRefused);
  const std::string expected = "error [store.database-refused] the database " + file_.string() +
                               " has schema version 99, newer than this program's " +
                               std::to_string(SchemaScripts().back().version) +
                               "; refusing to start: ";
  EXPECT_TRUE(IsTheOnlyErrorLine(printed, expected)) << printed;
  EXPECT_TRUE(ReadWholeFile(file_) == bytesBefore) << "the database file changed";
  EXPECT_EQ(ReadSchemaVersion(file_), 99);
}

TEST_F(SchemaVersionTest, DamagedFileIsNotRefusedButLeftToTheRepair) {
  WriteWholeFile(file_, std::string(8192, 'x'));
  EXPECT_EQ(ReadSchemaVersion(file_), std::nullopt);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(PrepareDatabase(file_), DatabasePreparation::kFailed);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("cannot prepare the database"),
            std::string::npos);
}

using CompactionVersionTest = StoreTest;

TEST_F(CompactionVersionTest, CompactionKeepsTheVersion) {
  BoundStatement(Session(), "PRAGMA user_version = 42").Execute();
  ASSERT_TRUE(DatabaseMaintenance::Instance().CompactDatabase(Database().File()));
  EXPECT_EQ(ReadSchemaVersion(Database().File()), 42);
  EXPECT_EQ(SchemaVersion(Session()), 42);
}

}  // namespace
}  // namespace orlentis::testing
