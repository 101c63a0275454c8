#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "store/database_target.h"

namespace orlentis::testing {

// The parameters of INSTANTIATE_TEST_SUITE_P for a test that runs once on each engine.
inline auto EachEngine() {
  return ::testing::Values(DatabaseEngine::kSqlite, DatabaseEngine::kPostgres);
}

inline std::string EngineName(const ::testing::TestParamInfo<DatabaseEngine>& engine) {
  return engine.param == DatabaseEngine::kPostgres ? "PostgreSQL" : "SQLite";
}

// The base of a fixture whose tests run on the engine of their parameter. SetUp skips the
// test where that engine is not installed; a derived SetUp calls it first and returns when
// IsSkipped(), since the fixture's server cannot be made then.
class OnEachEngineTest : public ::testing::TestWithParam<DatabaseEngine> {
 protected:
  void SetUp() override;
  DatabaseEngine Engine() const { return GetParam(); }
};

// Gives the program folder home, whose Setting.ini is written already, a fresh database on
// engine, as its operator would: on SQLite the folder's own file (the default, nothing to
// write), on PostgreSQL a new database on the test program's shared server, named in the
// folder's DATABASE.CONNECT. The target is the same database, for the test's own sessions.
DatabaseTarget UseFreshDatabase(const std::filesystem::path& home, DatabaseEngine engine);

}  // namespace orlentis::testing
