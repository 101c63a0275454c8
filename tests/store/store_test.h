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
#include "support/store/temp_database.h"

namespace orlentis::testing {

// Every store test runs on its own fresh database with the default settings, the system clock
// and compactions that do not wait.
class StoreTest : public ::testing::Test {
 protected:
  StoreTest() {
    TestProgramFolder();
    SetCurrentClock(nullptr);
    DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
    Settings::Instance().SetPreferences(PreferenceBlock{});
    Settings::Instance().SetLogLimits(LogLimits{});
    database_ = std::make_unique<TempDatabase>();
  }
  ~StoreTest() override {
    database_.reset();
    SetCurrentClock(nullptr);
  }

  const TempDatabase& Database() const { return *database_; }
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

}  // namespace orlentis::testing
