#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/settings.h"
#include "store/bound_statement.h"
#include "store/database_maintenance.h"
#include "store/engine.h"
#include "store/log_table.h"
#include "support/store/each_engine.h"
#include "support/store/postgres_server.h"
#include "support/store/temp_database.h"

namespace orlentis::testing {

// Every store test runs on its own fresh database with the default settings, the system clock
// and compactions that do not wait. The database is SQLite's unless the fixture chooses
// another engine; a test on PostgreSQL is skipped where that is not installed.
class StoreTest : public ::testing::Test {
 protected:
  explicit StoreTest(DatabaseEngine engine = DatabaseEngine::kSqlite) {
    TestProgramFolder();
    SetCurrentClock(nullptr);
    DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
    Settings::Instance().SetPreferences(PreferenceBlock{});
    Settings::Instance().SetLogLimits(LogLimits{});
    if (engine == DatabaseEngine::kSqlite || PostgresServer::BinaryFolder()) {
      database_ = std::make_unique<TempDatabase>(engine);
    }
  }
  void SetUp() override {
    if (!database_) GTEST_SKIP() << "PostgreSQL is not installed";
  }
  ~StoreTest() override {
    database_.reset();
    SetCurrentClock(nullptr);
  }

  TempDatabase& Database() { return *database_; }
  soci::session& Session() { return ThreadSession(); }

  int Count(const std::string& table, const std::string& condition = "1 = 1") {
    int count = 0;
    BoundStatement(Session(), "SELECT COUNT(*) FROM " + table + " WHERE " + condition)
        .Into(count)
        .Execute();
    return count;
  }

  std::vector<LogRow> LogNewestFirst() {
    LogTable log(Session());
    log.OpenNewestFirst();
    return log.Rows();
  }

 private:
  std::unique_ptr<TempDatabase> database_;
};

// A store test whose one body runs on each engine, the test's parameter (EachEngine()).
class EachEngineTest : public StoreTest, public ::testing::WithParamInterface<DatabaseEngine> {
 protected:
  EachEngineTest() : StoreTest(GetParam()) {}
};

}  // namespace orlentis::testing
