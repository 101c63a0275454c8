#include "support/store/temp_database.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "base/default_files.h"
#include "base/program_folder.h"
#include "store/bound_statement.h"
#include "store/database_maintenance.h"
#include "store/engine.h"
#include "store/schema.h"
#include "store/schema_version.h"
#include "store/store_startup.h"
#include "support/store/postgres_server.h"

namespace orlentis::testing {

const std::filesystem::path& TestProgramFolder() {
  static const TempFolder folder;
  static const bool prepared = [] {
    WriteDefaultProgramFiles(folder.Path());
    SetProgramFolder(folder.Path());
    return true;
  }();
  (void)prepared;
  return folder.Path();
}

TempDatabase::TempDatabase(DatabaseEngine engine)
    : engine_(engine), file_(folder_ / kDatabaseFileName) {
  TestProgramFolder();
  ::setenv(kAdminPasswordVariable, kTestAdminPassword, 1);
  if (engine_ == DatabaseEngine::kPostgres) SetDatabaseConnection(FreshPostgresDatabase());
  if (!PrepareAgain()) ADD_FAILURE() << "cannot prepare the database";
  // A test before may have left the process's database unusable on purpose.
  DatabaseMaintenance::Instance().MarkUsable();
  // The first database of the process ends the start-up hold of the maintenance flag. The
  // maintenance compacts a SQLite file; on PostgreSQL the hold simply stays.
  if (engine_ == DatabaseEngine::kSqlite && DatabaseMaintenance::Instance().IsMaintenanceRunning())
    DatabaseMaintenance::Instance().RunMaintenance();
  BoundStatement(ThreadSession(), "DELETE FROM Log").Execute();
}

bool TempDatabase::PrepareAgain() {
  if (engine_ == DatabaseEngine::kSqlite) {
    return PrepareDatabase(file_) == DatabasePreparation::kReady;
  }
  if (UpgradeSchema(ThreadSession()).outcome != SchemaUpgrade::Outcome::kCurrent) return false;
  SeedNewDatabase(ThreadSession(), Folder());
  return true;
}

TempDatabase::~TempDatabase() {
  CloseThreadSession();
  SetDatabaseFile({});
}

}  // namespace orlentis::testing
