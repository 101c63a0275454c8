#include "store/directory_copy.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "store/directory_compare.h"
#include "store/directory_tables.h"
#include "store/schema_version.h"
#include "store_test.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

std::string Id(long long id) {
  return std::to_string(id);
}

// A line per difference, sorted, so that a test states the whole expected set at once.
std::vector<std::string> Lines(const std::vector<RowDifference>& differences) {
  std::vector<std::string> lines;
  for (const RowDifference& difference : differences) {
    std::string line = difference.table + " " + Id(difference.key);
    if (difference.kind == RowDifference::Kind::kOnlyInFirst) line += " only in first";
    if (difference.kind == RowDifference::Kind::kOnlyInSecond) line += " only in second";
    for (const std::string& column : difference.columns) line += " " + column;
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

void ExecuteOn(const DatabaseTarget& target, const std::string& sql) {
  const auto session = OpenSession(target);
  BoundStatement(*session, sql).Execute();
}

long long LargestKey(const DatabaseTarget& target, const DirectoryTable& table) {
  const auto session = OpenSession(target);
  long long key = 0;
  BoundStatement(*session, std::string("SELECT MAX(") + table.key + ") FROM " + table.sql)
      .Into(key)
      .Execute();
  return key;
}

// The source is the test's SQLite database, holding every table's rows with what is hard to
// carry over: holes in the keys, NULLs, quotes, texts beyond ASCII, doubles at the ends of
// their range and one that no short decimal names.
class DirectoryCopyTest : public StoreTest {
 protected:
  void FillDirectory() {
    const auto night = AddGroup("Nacht \"Schicht\" ü", 3, 0x41);
    carol_ = AddUser("O'Brien Ωmega", "digest'\"", night, 0x41);
    const auto gone = AddUser("gone", "x", night, 0);
    const auto dave = AddUser("dave", "y", night, 1);
    ExecuteSql("DELETE FROM \"User\" WHERE nID = " + Id(gone));
    ExecuteSql("INSERT INTO \"User\" (nGroupID, strName) VALUES (" + Id(night) + ", 'nulls')");
    lobby_ = AddSite("10.0.0.1", 0, "Lobby «Nord»");
    const auto yard = AddSite("10.0.0.2", 1, "Yard'; DROP TABLE Site; --");
    SetSiteOnline(yard, 8080, 1700000000);
    ExecuteSql("UPDATE Site SET dCheckInTime = 0.30000000000000004 WHERE nID = " + Id(lobby_));
    ExecuteSql(
        "INSERT INTO Site (strIP, dCheckInTime) VALUES ('10.0.0.3', 1.7976931348623157e308)");
    ExecuteSql(
        "INSERT INTO Site (strIP, dCheckInTime) VALUES ('10.0.0.4', -2.2250738585072014e-308)");
    AddUserSite(carol_, lobby_, "1011");
    AddUserSite(dave, yard, "");
    AddCamera(lobby_, 0, true, 1, "Eingang 'Ost'");
    AddCamera(yard, 3, false, 0, "😀 \\ %");
    ExecuteSql("INSERT INTO MaskIP (strIPFrom, strIPTo) VALUES ('10.1.0.0', '10.1.255.255')");
    ExecuteSql(
        "INSERT INTO MaskIP (strDescription, strIPFrom, strIPTo) "
        "VALUES ('lab \"B\"', '192.168.0.1', '192.168.0.9')");
    for (int i = 0; i < 5; ++i) AddLogEntryAt(1700000000 + i, "Quelle " + Id(i), "Aktion", "'x'");
    ExecuteSql("DELETE FROM Log WHERE rowid = 2");
    ExecuteSql("INSERT INTO Log (time, strAction) VALUES ('2026-01-01 00:00:00', 'no source')");
  }

  DatabaseTarget Source() { return DatabaseTarget::SqliteFile(Database().File()); }

  DatabaseTarget NewTarget(DatabaseEngine engine, const std::string& name) {
    if (engine == DatabaseEngine::kSqlite) {
      return DatabaseTarget::SqliteFile(Database().Folder() / (name + ".db"));
    }
    static int databases = 0;
    return DatabaseTarget::Postgres(
        PostgresServer::Shared().CreateDatabase(name + "_" + Id(++databases)));
  }

  void ExpectIdentical(const DatabaseTarget& first, const DatabaseTarget& second) {
    const DirectoryComparison comparison = CompareDirectories(first, second);
    EXPECT_TRUE(comparison.Identical()) << ::testing::PrintToString(Lines(comparison.differences));
    ASSERT_EQ(comparison.counts.size(), DirectoryTables().size());
    for (const TableRowCounts& counts : comparison.counts) {
      const std::string sqlTable = counts.table == "User" || counts.table == "Group"
                                       ? "\"" + counts.table + "\""
                                       : counts.table;
      EXPECT_EQ(counts.first, CountRows(sqlTable)) << counts.table;
      EXPECT_EQ(counts.second, counts.first) << counts.table;
    }
  }

  std::int32_t carol_ = 0;
  std::int32_t lobby_ = 0;
};

TEST_F(DirectoryCopyTest, ADirectoryGoesToPostgresqlAndBackUnchangedAndNewRowsTakeNewKeys) {
  if (!PostgresServer::BinaryFolder()) GTEST_SKIP() << "PostgreSQL is not installed";
  FillDirectory();
  const DatabaseTarget postgres = NewTarget(DatabaseEngine::kPostgres, "round_trip");
  const DatabaseTarget back = NewTarget(DatabaseEngine::kSqlite, "back");

  std::map<std::string, std::pair<std::int64_t, std::int64_t>> lastProgress;
  const auto copied = CopyDirectory(Source(), postgres, [&](const CopyProgress& progress) {
    lastProgress[progress.table] = {progress.done, progress.total};
  });
  CopyDirectory(postgres, back);

  ASSERT_EQ(copied.size(), DirectoryTables().size());
  for (const TableRowCount& table : copied) {
    EXPECT_EQ(lastProgress[table.table], std::pair(table.rows, table.rows)) << table.table;
  }
  ExpectIdentical(Source(), postgres);
  ExpectIdentical(postgres, back);

  // A sequence left behind the copied keys would give a new row a key already taken.
  for (const DirectoryTable& table : DirectoryTables()) {
    const long long largest = LargestKey(postgres, table);
    ExecuteOn(postgres, std::string("INSERT INTO ") + table.sql + " DEFAULT VALUES");
    EXPECT_EQ(LargestKey(postgres, table), largest + 1) << table.name;
  }
}

// The copy's target is a fresh database of the test's parameter engine.
class DirectoryCopyTargetTest : public DirectoryCopyTest,
                                public ::testing::WithParamInterface<DatabaseEngine> {
 protected:
  void SetUp() override {
    DirectoryCopyTest::SetUp();
    if (GetParam() == DatabaseEngine::kPostgres && !PostgresServer::BinaryFolder()) {
      GTEST_SKIP() << "PostgreSQL is not installed";
    }
    FillDirectory();
  }
  DatabaseTarget NewTarget(const std::string& name) {
    return DirectoryCopyTest::NewTarget(GetParam(), name);
  }
};

TEST_P(DirectoryCopyTargetTest, ATargetWithAnyRowIsRefusedAndLeftAsItWas) {
  const DatabaseTarget target = NewTarget("not_empty");
  CopyDirectory(Source(), target);
  for (const DirectoryTable& table : DirectoryTables()) {
    if (std::string(table.name) != "MaskIP") {
      ExecuteOn(target, std::string("DELETE FROM ") + table.sql);
    }
  }
  ExecuteOn(target, "DELETE FROM MaskIP WHERE strDescription IS NULL");

  try {
    CopyDirectory(Source(), target);
    FAIL() << "a target with a row was not refused";
  } catch (const DirectoryCopyRefused& refusal) {
    EXPECT_NE(std::string(refusal.what()).find("MaskIP has 1 rows"), std::string::npos)
        << refusal.what();
  }
  const DirectoryComparison comparison = CompareDirectories(Source(), target);
  for (const TableRowCounts& counts : comparison.counts) {
    EXPECT_EQ(counts.second, counts.table == "MaskIP" ? 1 : 0) << counts.table;
  }
}

TEST_P(DirectoryCopyTargetTest, AFailureMidCopyLeavesNeitherSchemaNorRowsBehind) {
  const DatabaseTarget target = NewTarget("interrupted");
  const auto failAtCameras = [](const CopyProgress& progress) {
    if (std::string(progress.table) == "Camera") throw std::runtime_error("interrupted");
  };
  EXPECT_THROW(CopyDirectory(Source(), target, failAtCameras), std::runtime_error);
  EXPECT_EQ(SchemaVersion(*OpenSession(target)), 0);

  CopyDirectory(Source(), target);
  ExpectIdentical(Source(), target);
}

TEST_P(DirectoryCopyTargetTest, EveryChangedCellAndMissingRowIsADifference) {
  const DatabaseTarget target = NewTarget("changed");
  CopyDirectory(Source(), target);
  const long long nextGroup = LargestKey(target, DirectoryTables()[0]) + 1;
  ExecuteOn(target,
            "UPDATE \"User\" SET strDescription = 'changed', bsAuthority = bsAuthority + 1 "
            "WHERE nID = " +
                Id(carol_));
  // Equal under the column's case-blind comparison, and a double one step away.
  ExecuteOn(target,
            "UPDATE Site SET strSiteName = 'LOBBY «Nord»', dCheckInTime = 0.3 "
            "WHERE nID = " +
                Id(lobby_));
  ExecuteOn(target, "UPDATE MaskIP SET strDescription = '' WHERE strDescription IS NULL");
  ExecuteOn(target, "DELETE FROM Log WHERE rowid = 3");
  ExecuteOn(target, "INSERT INTO \"Group\" (strName) VALUES ('extra')");

  const DirectoryComparison comparison = CompareDirectories(Source(), target);
  EXPECT_EQ(Lines(comparison.differences),
            (std::vector<std::string>{"Group " + Id(nextGroup) + " only in second",
                                      "Log 3 only in first", "MaskIP 1 strDescription",
                                      "Site " + Id(lobby_) + " strSiteName dCheckInTime",
                                      "User " + Id(carol_) + " strDescription bsAuthority"}));
  const auto logCounts = std::find_if(comparison.counts.begin(), comparison.counts.end(),
                                      [](const auto& counts) { return counts.table == "Log"; });
  ASSERT_NE(logCounts, comparison.counts.end());
  EXPECT_EQ(logCounts->second, logCounts->first - 1);

  const DirectoryComparison firstTwo = CompareDirectories(Source(), target, 2);
  EXPECT_EQ(firstTwo.differences.size(), 2u);
  EXPECT_EQ(firstTwo.differenceCount, 5);
}

INSTANTIATE_TEST_SUITE_P(Engines, DirectoryCopyTargetTest, EachEngine(), EngineName);

}  // namespace
}  // namespace orlentis::testing
