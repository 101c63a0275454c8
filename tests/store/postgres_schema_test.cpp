#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <tuple>

#include "store/bound_statement.h"
#include "store/database_error.h"
#include "store/engine.h"
#include "store/schema_scripts.h"
#include "support/base/temp_folder.h"
#include "support/store/postgres_server.h"

namespace orlentis::testing {
namespace {

// A column as (name, type, whether it is the table's key), in a table's order.
using Column = std::tuple<std::string, std::string, int>;
using Tables = std::map<std::string, std::vector<Column>>;

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Runs sql, whose rows are (table, column, type, key), and gathers them by table.
Tables ReadTables(soci::session& session, const std::string& sql) {
  Tables tables;
  std::string table;
  Column column;
  BoundStatement query(session, sql);
  query.Into(table).Into(std::get<0>(column)).Into(std::get<1>(column)).Into(std::get<2>(column));
  while (query.Fetch()) tables[table].push_back(column);
  return tables;
}

// SQLite's tables in PostgreSQL's words: the program quotes only the names that are reserved
// words, and PostgreSQL folds every unquoted name to lower case. A table without a key has the
// rowid column that stands in for SQLite's hidden one; the sites and the event log end with the
// server they came through, which only a shared database has.
Tables AsOnPostgres(const Tables& sqlite) {
  const std::map<std::string, std::string> types = {
      {"INTEGER", "integer"}, {"TEXT", "text"}, {"REAL", "double precision"}};
  Tables tables;
  for (const auto& [table, columns] : sqlite) {
    const bool quoted = table == "User" || table == "Group";
    auto& converted = tables[quoted ? table : Lowered(table)];
    for (const auto& [name, type, key] : columns) {
      converted.emplace_back(Lowered(name), types.at(type), key);
    }
    if (std::none_of(columns.begin(), columns.end(),
                     [](const Column& c) { return std::get<2>(c) != 0; })) {
      converted.emplace_back("rowid", "bigint", 1);
    }
    if (table == "Site" || table == "Log") converted.emplace_back("strserver", "text", 0);
  }
  return tables;
}

Tables SqliteSchemaTables() {
  TempFolder folder;
  const auto session = OpenSession(folder / "schema.db");
  ExecuteScript(*session, kSchemaScript1);
  return ReadTables(*session,
                    "SELECT m.name, p.name, p.type, p.pk > 0 FROM sqlite_master m "
                    "JOIN pragma_table_info(m.name) p "
                    "WHERE m.type = 'table' AND m.name <> 'sqlite_sequence' "
                    "ORDER BY m.name, p.cid");
}

class PostgresSchemaTest : public PostgresTest {
 protected:
  void SetUp() override {
    PostgresTest::SetUp();
    if (IsSkipped()) return;
    static int databases = 0;
    session_.open(soci::postgresql,
                  Server().CreateDatabase("schema_" + std::to_string(++databases)));
    // Twice, as on a database that already has the schema: the script only adds what is
    // missing, so the second run must change nothing.
    const std::string script = ReadWholeFile(std::filesystem::path(ORLENTIS_SOURCE_DIR) /
                                             "resources/sql/postgresql/schema-1.sql");
    ExecuteScript(session_, script);
    ExecuteScript(session_, script);
  }

  soci::session session_;
};

TEST_F(PostgresSchemaTest, TablesAndColumnsAreSqlites) {
  const Tables postgres = ReadTables(
      session_,
      "SELECT CAST(c.table_name AS text), CAST(c.column_name AS text), "
      "CAST(c.data_type AS text), CASE WHEN k.column_name IS NULL THEN 0 ELSE 1 END "
      "FROM information_schema.columns c LEFT JOIN information_schema.key_column_usage k "
      "ON k.table_schema = c.table_schema AND k.table_name = c.table_name "
      "AND k.column_name = c.column_name "
      "WHERE c.table_schema = 'public' AND c.table_name NOT LIKE 'orlentis\\_%' "
      "ORDER BY c.table_name, c.ordinal_position");
  EXPECT_EQ(postgres, AsOnPostgres(SqliteSchemaTables()));
}

TEST_F(PostgresSchemaTest, VersionIsOne) {
  std::vector<int> versions;
  int version = 0;
  BoundStatement query(session_, "SELECT version FROM orlentis_schema");
  query.Into(version);
  while (query.Fetch()) versions.push_back(version);
  EXPECT_EQ(versions, std::vector<int>{1});
}

TEST_F(PostgresSchemaTest, RowsOfKeylessTablesGetKeys) {
  for (const char* table : {"Camera", "UserSite", "Log", "MaskIP"}) {
    const std::string name = table;
    ExecuteScript(session_, "INSERT INTO " + name + " DEFAULT VALUES");
    ExecuteScript(session_, "INSERT INTO " + name + " DEFAULT VALUES");
    std::vector<std::int64_t> keys;
    std::int64_t key = 0;
    BoundStatement query(session_, "SELECT rowid FROM " + name + " ORDER BY rowid");
    query.Into(key);
    while (query.Fetch()) keys.push_back(key);
    ASSERT_EQ(keys.size(), 2u) << table;
    EXPECT_LT(keys[0], keys[1]) << table;
  }
}

// A column that SQLite compares ignoring case, and whether its values are unique.
struct NocaseColumn {
  const char* table;
  const char* column;
  bool unique;
};

void PrintTo(const NocaseColumn& column, std::ostream* out) {
  *out << column.table << "." << column.column;
}

class NocaseColumnTest : public PostgresSchemaTest,
                         public ::testing::WithParamInterface<NocaseColumn> {
 protected:
  int Count(const std::string& value) {
    int count = 0;
    BoundStatement(session_, std::string("SELECT COUNT(*) FROM ") + GetParam().table + " WHERE " +
                                 GetParam().column + " = :value")
        .Use(value)
        .Into(count)
        .Execute();
    return count;
  }
  void Insert(const std::string& value) {
    BoundStatement(session_, std::string("INSERT INTO ") + GetParam().table + " (" +
                                 GetParam().column + ") VALUES (:value)")
        .Use(value)
        .Execute();
  }
};

TEST_P(NocaseColumnTest, ComparesIgnoringCase) {
  Insert("Front Door");
  EXPECT_EQ(Count("FRONT DOOR"), 1);
  EXPECT_EQ(Count("Front Door "), 0);
  if (GetParam().unique) {
    EXPECT_THROW(Insert("front door"), DatabaseError);
  } else {
    Insert("front door");
  }
  EXPECT_EQ(Count("front DOOR"), GetParam().unique ? 1 : 2);
}

INSTANTIATE_TEST_SUITE_P(Columns, NocaseColumnTest,
                         ::testing::Values(NocaseColumn{"\"User\"", "strName", true},
                                           NocaseColumn{"\"Group\"", "strName", true},
                                           NocaseColumn{"Site", "strIP", false},
                                           NocaseColumn{"Site", "strSiteName", false},
                                           NocaseColumn{"MaskIP", "strIPFrom", false}),
                         [](const auto& info) {
                           std::string name = std::string(info.param.table) + info.param.column;
                           std::erase(name, '"');
                           return name;
                         });

}  // namespace
}  // namespace orlentis::testing
