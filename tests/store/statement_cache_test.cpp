#include "store/statement_cache.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "store/bound_statement.h"
#include "store/engine.h"
#include "store_test.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

constexpr const char* kInsertNumber =
    "INSERT INTO Numbers (n, label, weight) VALUES (:n, :label, :weight)";
constexpr const char* kSelectByN = "SELECT label, weight FROM Numbers WHERE n = :n";
constexpr const char* kSelectAtLeast = "SELECT n, label FROM Numbers WHERE n >= :n ORDER BY n";

class StatementCacheTest : public StoreTest {
 protected:
  StatementCacheTest() {
    ExecuteSql("CREATE TABLE Numbers (n INTEGER, label TEXT, weight REAL)");
    for (const int n : {1, 2, 3}) Insert(n, "label " + std::to_string(n), n * 1.5);
  }

  void Insert(int n, const std::string& label, double weight) {
    BoundStatement(Session(), kInsertNumber).Use(n).Use(label).Use(weight).Execute();
  }

  // The statements prepared on the thread's connection at the moment.
  int PreparedOnConnection() {
    BoundStatement probe(Session(), "SELECT 1");
    int one = 0;
    probe.Into(one).Execute();
    sqlite3* connection = sqlite3_db_handle(probe.Prepared()->Native());
    int count = 0;
    for (sqlite3_stmt* s = sqlite3_next_stmt(connection, nullptr); s != nullptr;
         s = sqlite3_next_stmt(connection, s)) {
      ++count;
    }
    return count;
  }

  std::vector<int> NumbersAtLeast(int least) {
    std::vector<int> numbers;
    BoundStatement query(Session(), kSelectAtLeast);
    int n = 0;
    std::string label;
    query.Into(n).Into(label).Use(least);
    while (query.Fetch()) numbers.push_back(n);
    return numbers;
  }
};

TEST_F(StatementCacheTest, ASecondRunOfTheSameTextReusesThePreparedStatementWithNewValues) {
  std::string label;
  double weight = 0;
  sqlite3_stmt* first = nullptr;
  for (const int n : {1, 2, 3, 2}) {
    BoundStatement query(Session(), kSelectByN);
    ASSERT_TRUE(query.Into(label).Into(weight).Use(n).Execute());
    EXPECT_EQ(label, "label " + std::to_string(n));
    EXPECT_DOUBLE_EQ(weight, n * 1.5);
    if (first == nullptr) first = query.Prepared()->Native();
    EXPECT_EQ(query.Prepared()->Native(), first);
  }
  EXPECT_EQ(sqlite3_stmt_status(first, SQLITE_STMTSTATUS_RUN, 0), 4);

  // Many more statements of known texts prepare nothing new on the connection.
  const int prepared = PreparedOnConnection();
  for (int n = 10; n < 40; ++n) Insert(n, "more", 0.5);
  EXPECT_EQ(NumbersAtLeast(38), (std::vector<int>{38, 39}));
  EXPECT_EQ(NumbersAtLeast(3).size(), 31u);
  EXPECT_EQ(PreparedOnConnection(), prepared + 1);  // kSelectAtLeast, once
}

TEST_F(StatementCacheTest, CachedStatementsKeepWorkingAfterTheDatabaseIsCompactedUnderThem) {
  EXPECT_EQ(NumbersAtLeast(2), (std::vector<int>{2, 3}));
  ExecuteSql("DELETE FROM Numbers WHERE n = 3");
  ASSERT_TRUE(DatabaseMaintenance::Instance().CompactDatabase(Database().File()));
  // The compacted copy came in underneath this session's prepared statements.
  Insert(4, "after", 6.0);
  EXPECT_EQ(NumbersAtLeast(2), (std::vector<int>{2, 4}));
}

TEST_F(StatementCacheTest, NullColumnsReadAsTheDefaultValueAfterAnEarlierValue) {
  ExecuteSql("INSERT INTO Numbers (n) VALUES (7)");
  struct Case {
    int n;
    bool null;
    std::string label;
    double weight;
  };
  // The slots of the shared statement still hold the previous row's values when a NULL comes.
  const Case cases[] = {{2, false, "label 2", 3.0},
                        {7, true, "", 0.0},
                        {3, false, "label 3", 4.5},
                        {7, true, "", 0.0}};
  for (const auto& c : cases) {
    std::string label = "stale";
    double weight = -1;
    BoundStatement query(Session(), kSelectByN);
    ASSERT_TRUE(query.Into(label).Into(weight).Use(c.n).Execute());
    EXPECT_EQ(query.IsNull(0), c.null) << c.n;
    EXPECT_EQ(query.IsNull(1), c.null) << c.n;
    EXPECT_EQ(label, c.label);
    EXPECT_DOUBLE_EQ(weight, c.weight);
  }
}

TEST_F(StatementCacheTest, TheSameQueryNestedInItsOwnFetchLoopRunsOnAStatementOfItsOwn) {
  int n = 0;
  std::string label;
  const int least = 1;
  sqlite3_stmt* cached = nullptr;
  {
    BoundStatement outer(Session(), kSelectAtLeast);
    outer.Into(n).Into(label).Use(least);
    std::vector<std::vector<int>> inner;
    std::vector<int> outerRows;
    while (outer.Fetch()) {
      outerRows.push_back(n);
      inner.push_back(NumbersAtLeast(n + 1));
      EXPECT_EQ(label, "label " + std::to_string(n));  // the inner run left the outer row alone
    }
    EXPECT_EQ(outerRows, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(inner, (std::vector<std::vector<int>>{{2, 3}, {3}, {}}));
    cached = outer.Prepared()->Native();
  }
  // Once the outer query is gone, the next run takes the cached statement again.
  const int three = 3;
  BoundStatement again(Session(), kSelectAtLeast);
  again.Into(n).Into(label).Use(three);
  ASSERT_TRUE(again.Execute());
  EXPECT_EQ(again.Prepared()->Native(), cached);
}

TEST_F(StatementCacheTest, TheSameTextIntoOtherTypesGetsItsOwnStatement) {
  int asNumber = 0;
  std::string asText;
  BoundStatement(Session(), "SELECT n FROM Numbers WHERE n = 3").Into(asNumber).Execute();
  BoundStatement(Session(), "SELECT n FROM Numbers WHERE n = 3").Into(asText).Execute();
  EXPECT_EQ(asNumber, 3);
  EXPECT_EQ(asText, "3");
}

// A query left after its first row must not keep the session on an old snapshot: it would
// miss other sessions' commits, and its next write would fail.
TEST_F(StatementCacheTest, AQueryLeftBeforeItsLastRowHoldsNoSnapshot) {
  for (int round = 0; round < 2; ++round) {
    int n = 0;
    std::string label;
    ASSERT_TRUE(BoundStatement(Session(), kSelectAtLeast).Into(n).Into(label).Use(1).Execute());
    EXPECT_EQ(n, 1);

    auto other = OpenSession(Database().File());
    const int added = 100 + round;
    const std::string text = "other";
    const double weight = 0;
    BoundStatement(*other, kInsertNumber).Use(added).Use(text).Use(weight).Execute();
    EXPECT_EQ(Count("Numbers", "n = " + std::to_string(added)), 1);
    Insert(200 + round, "mine", 1.0);
  }
  EXPECT_EQ(Count("Numbers"), 7);
}

// The statements go with their session: a closed session leaves no connection open, which
// in WAL mode shows as the write-ahead log removed by the last connection's close.
TEST_F(StatementCacheTest, ClosingTheSessionClosesItsConnectionWithItsStatements) {
  EXPECT_EQ(NumbersAtLeast(2).size(), 2u);
  ASSERT_GT(SessionStatementCache(Session())->Size(), 0u);
  const auto wal = std::filesystem::path(Database().File().string() + "-wal");
  ASSERT_TRUE(std::filesystem::exists(wal));
  CloseThreadSession();
  EXPECT_FALSE(std::filesystem::exists(wal));

  EXPECT_EQ(NumbersAtLeast(2).size(), 2u);
  EXPECT_EQ(SessionStatementCache(Session())->Size(), 1u);
}

TEST_F(StatementCacheTest, ChangingTheDatabaseFileRunsKnownTextsOnTheNewFile) {
  EXPECT_EQ(NumbersAtLeast(1).size(), 3u);
  const auto otherFile = Database().Folder() / "other.db";
  {
    auto other = OpenSession(otherFile);
    BoundStatement(*other, "CREATE TABLE Numbers (n INTEGER, label TEXT, weight REAL)").Execute();
    BoundStatement(*other, "INSERT INTO Numbers VALUES (5, 'five', 5.0)").Execute();
  }
  SetDatabaseFile(otherFile);
  EXPECT_EQ(NumbersAtLeast(1), (std::vector<int>{5}));
  SetDatabaseFile(Database().File());
  EXPECT_EQ(NumbersAtLeast(1), (std::vector<int>{1, 2, 3}));
}

}  // namespace
}  // namespace orlentis::testing
