#include "store/store_startup.h"

#include <string>

#include "base/language.h"
#include "base/operator_log.h"
#include "store/database_maintenance.h"
#include "store/engine.h"
#include "store/event_log.h"
#include "store/schema.h"

namespace orlentis {
namespace {

constexpr int kTextStart = 193;
constexpr int kTextStarted = 191;

}  // namespace

bool PrepareDatabase(const std::filesystem::path& databaseFile) {
  SetDatabaseFile(databaseFile);
  try {
    soci::session& session = ThreadSession();
    CreateSchema(session);
    SeedNewDatabase(session, databaseFile.parent_path());
    LogToOperator(OperatorLevel::kInfo, "store.database", "database file " + databaseFile.string());
    return true;
  } catch (const std::exception& error) {
    CloseThreadSession();
    LogToOperator(OperatorLevel::kError, "store.database-unusable",
                  "cannot prepare the database " + databaseFile.string() + ": " + error.what());
    return false;
  }
}

void RunStoreStartup(const std::filesystem::path& programFolder) {
  PrepareDatabase(programFolder / kDatabaseFileName);
  DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  maintenance.RunMaintenance();
  AppendLogEntryById(kTextProgramName, kTextStart, kTextStarted, true);
  maintenance.SetStartupFinished();
}

}  // namespace orlentis
