#include "store/schema.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>
#include <utility>

#include "access/password_digest.h"
#include "store/bound_statement.h"
#include "store/group_table.h"
#include "store/user_table.h"
#include "store_test.h"

namespace orlentis::testing {
namespace {

using Columns = std::vector<std::pair<std::string, std::string>>;

Columns TableColumns(soci::session& session, const std::string& table) {
  Columns columns;
  std::string name;
  std::string type;
  BoundStatement query(session, "SELECT name, type FROM pragma_table_info(:t)");
  query.Use(table).Into(name).Into(type);
  while (query.Fetch()) columns.emplace_back(name, type);
  return columns;
}

mode_t FileMode(const std::filesystem::path& file) {
  struct stat status {};
  EXPECT_EQ(::stat(file.c_str(), &status), 0) << file;
  return status.st_mode & 0777;
}

// What is the SQLite file's own: its tables as SQLite describes them, its query plans, its
// journal and its mode. The schema on PostgreSQL is compared with this one in
// postgres_schema_test.cpp.
using SqliteSchemaTest = StoreTest;
// The schema's rows and collations, the same on each engine.
using SchemaTest = EachEngineTest;

TEST_F(SqliteSchemaTest, TablesHaveTheirColumnsInOrderWithTheirTypes) {
  const std::vector<std::pair<std::string, Columns>> expected = {
      {"Site",
       {{"nID", "INTEGER"},
        {"strIP", "TEXT"},
        {"strSiteName", "TEXT"},
        {"nInstanceID", "INTEGER"},
        {"nWebServerPort", "INTEGER"},
        {"bOnline", "INTEGER"},
        {"dCheckInTime", "REAL"}}},
      {"Camera",
       {{"nSiteID", "INTEGER"},
        {"nIndex", "INTEGER"},
        {"bExistence", "INTEGER"},
        {"nStateFlag", "INTEGER"},
        {"strResolution", "TEXT"},
        {"strName", "TEXT"}}},
      {"User",
       {{"nID", "INTEGER"},
        {"nGroupID", "INTEGER"},
        {"strName", "TEXT"},
        {"strDescription", "TEXT"},
        {"strPassword", "TEXT"},
        {"bsAuthority", "INTEGER"}}},
      {"Group",
       {{"nID", "INTEGER"},
        {"strName", "TEXT"},
        {"nLevel", "INTEGER"},
        {"bsAuthority", "INTEGER"}}},
      {"UserSite",
       {{"nUserID", "INTEGER"}, {"nSiteID", "INTEGER"}, {"strCameraAuthority", "TEXT"}}},
      {"Log",
       {{"time", "TEXT"}, {"strSource", "TEXT"}, {"strAction", "TEXT"}, {"strDetail", "TEXT"}}},
      {"MaskIP", {{"strDescription", "TEXT"}, {"strIPFrom", "TEXT"}, {"strIPTo", "TEXT"}}},
  };
  for (const auto& [table, columns] : expected) {
    EXPECT_EQ(TableColumns(Session(), table), columns) << table;
  }
}

TEST_F(SqliteSchemaTest, LookupsUseIndexes) {
  const std::vector<std::string> lookups = {
      "SELECT * FROM Site WHERE strIP = 'a' AND nInstanceID = 1",
      "SELECT * FROM Camera WHERE nSiteID = 1 AND nIndex = 2",
      "SELECT * FROM \"User\" WHERE strName = 'a'",
      "SELECT * FROM \"Group\" WHERE strName = 'a'",
      "SELECT * FROM UserSite WHERE nUserID = 1 AND nSiteID = 2",
      "SELECT * FROM UserSite WHERE nSiteID = 2",
      "SELECT * FROM Log ORDER BY time",
  };
  for (const auto& lookup : lookups) {
    std::string detail;
    int id = 0, parent = 0, unused = 0;
    BoundStatement explain(Session(), "EXPLAIN QUERY PLAN " + lookup);
    explain.Into(id).Into(parent).Into(unused).Into(detail);
    ASSERT_TRUE(explain.Fetch()) << lookup;
    EXPECT_NE(detail.find("INDEX"), std::string::npos) << lookup << ": " << detail;
  }
}

TEST_P(SchemaTest, SeedHoldsTheDefaultGroupsAndTheAdministrator) {
  GroupTable groups(Session());
  groups.OpenByLevel();
  std::vector<std::tuple<std::string, int, int>> seen;
  for (const auto& group : groups.Rows()) {
    seen.emplace_back(group.strName, group.nLevel, group.bsAuthority);
  }
  const std::vector<std::tuple<std::string, int, int>> expected = {{"Administrator", 0, 0x1FF},
                                                                   {"Manager", 1, 0x0FF},
                                                                   {"Operator", 2, 0x047},
                                                                   {"Remote User", 3, 0x005}};
  EXPECT_EQ(seen, expected);

  UserTable users(Session());
  users.OpenAll();
  ASSERT_EQ(users.Count(), 1u);
  const UserRow& administrator = users.Current();
  EXPECT_EQ(administrator.strName, "Administrator");
  EXPECT_EQ(administrator.bsAuthority, 0x1FF);
  EXPECT_EQ(administrator.nGroupID, groups.Rows().front().nID);
  EXPECT_EQ(administrator.strPassword, PasswordDigest(kTestAdminPassword, false));
  // The password came from the environment: nothing is written down.
  EXPECT_FALSE(std::filesystem::exists(Database().Folder() / kInitialPasswordFileName));
}

TEST_P(SchemaTest, NamesAndAddressesCompareIgnoringCase) {
  UserTable users(Session());
  users.OpenByName("administrator");
  EXPECT_EQ(users.Count(), 1u);
  GroupTable groups(Session());
  groups.OpenByName("REMOTE user");
  EXPECT_EQ(groups.Count(), 1u);
  BoundStatement(Session(),
                 "INSERT INTO Site (strIP, strSiteName, nInstanceID) VALUES ('Host.Example', "
                 "'Lobby', -1)")
      .Execute();
  EXPECT_EQ(Count("Site", "strIP = 'host.example' AND strSiteName = 'LOBBY'"), 1);
  // Digests compare exactly.
  users.OpenByNameAndPassword("Administrator", PasswordDigest(kTestAdminPassword, false));
  EXPECT_EQ(users.Count(), 1u);
  std::string upper = PasswordDigest(kTestAdminPassword, false);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  users.OpenByNameAndPassword("Administrator", upper);
  EXPECT_EQ(users.Count(), 0u);
}

TEST_F(SqliteSchemaTest, SessionsWriteAheadAndCommitDurably) {
  std::string journal;
  int synchronous = 0;
  BoundStatement(Session(), "PRAGMA journal_mode").Into(journal).Execute();
  BoundStatement(Session(), "PRAGMA synchronous").Into(synchronous).Execute();
  EXPECT_EQ(journal, "wal");
  EXPECT_EQ(synchronous, 2);  // FULL
}

TEST_F(SqliteSchemaTest, DatabaseFileIsPrivate) {
  EXPECT_EQ(FileMode(Database().File()), 0600);
}

TEST_P(SchemaTest, PreparingAgainKeepsRowsAndRecreatesAMissingTable) {
  BoundStatement(Session(), "DROP TABLE MaskIP").Execute();
  BoundStatement(Session(),
                 "INSERT INTO \"Group\" (strName, nLevel, bsAuthority) VALUES ('Extra', 4, 1)")
      .Execute();
  ASSERT_TRUE(Database().PrepareAgain());
  EXPECT_EQ(Count("\"Group\""), 5);
  EXPECT_EQ(Count("\"User\""), 1);
  EXPECT_EQ(Count("MaskIP"), 0);
}

TEST_P(SchemaTest, SeedIsWrittenOnlyIntoANewDatabase) {
  BoundStatement(Session(), "DELETE FROM \"User\"").Execute();
  EXPECT_FALSE(SeedNewDatabase(Session(), Database().Folder()));
  EXPECT_EQ(Count("\"User\""), 0);
  BoundStatement(Session(), "DELETE FROM \"Group\"").Execute();
  EXPECT_TRUE(SeedNewDatabase(Session(), Database().Folder()));
  EXPECT_EQ(Count("\"User\""), 1);
}

TEST_P(SchemaTest, WithoutAGivenPasswordARandomOneIsWrittenDown) {
  BoundStatement(Session(), "DELETE FROM \"User\"").Execute();
  BoundStatement(Session(), "DELETE FROM \"Group\"").Execute();
  ::unsetenv(kAdminPasswordVariable);
  ::testing::internal::CaptureStderr();
  const bool seeded = SeedNewDatabase(Session(), Database().Folder());
  const std::string printed = ::testing::internal::GetCapturedStderr();
  ::setenv(kAdminPasswordVariable, kTestAdminPassword, 1);
  ASSERT_TRUE(seeded);

  const auto file = Database().Folder() / kInitialPasswordFileName;
  std::string password = ReadWholeFile(file);
  ASSERT_FALSE(password.empty());
  password.pop_back();  // the line end
  EXPECT_GE(password.size(), 12u);
  EXPECT_EQ(FileMode(file), 0600);
  EXPECT_NE(printed.find(password), std::string::npos);
  UserTable users(Session());
  users.OpenByNameAndPassword("Administrator", PasswordDigest(password, false));
  EXPECT_EQ(users.Count(), 1u);
}

// A host hashes the password's bytes in the recorders' code page (here the default,
// WINDOWS-1252), so the seeded digest is of those, and a password the code page cannot hold
// is refused rather than stored in a form no host can ever send.
TEST_P(SchemaTest, TheSeededPasswordIsHashedInTheCodePage) {
  const auto emptyDatabase = [&] {
    BoundStatement(Session(), "DELETE FROM \"User\"").Execute();
    BoundStatement(Session(), "DELETE FROM \"Group\"").Execute();
  };
  emptyDatabase();
  ::setenv(kAdminPasswordVariable, "Gr\u00FC\u00DFe", 1);
  EXPECT_TRUE(SeedNewDatabase(Session(), Database().Folder()));
  UserTable users(Session());
  users.OpenByNameAndPassword("Administrator", PasswordDigest("Gr\xFC\xDF"
                                                              "e",
                                                              false));
  EXPECT_EQ(users.Count(), 1u);

  emptyDatabase();
  ::setenv(kAdminPasswordVariable, "\u65E5\u672C", 1);
  EXPECT_THROW(SeedNewDatabase(Session(), Database().Folder()), std::runtime_error);
  ::setenv(kAdminPasswordVariable, kTestAdminPassword, 1);
  EXPECT_EQ(Count("\"User\""), 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, SchemaTest, EachEngine(), EngineName);

}  // namespace
}  // namespace orlentis::testing
