#include "support/store/temp_database.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "base/default_files.h"
#include "base/program_folder.h"
#include "store/bound_statement.h"
#include "store/database_maintenance.h"
#include "store/engine.h"
#include "store/schema.h"
#include "store/store_startup.h"

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

TempDatabase::TempDatabase() : file_(folder_ / kDatabaseFileName) {
  TestProgramFolder();
  ::setenv(kAdminPasswordVariable, kTestAdminPassword, 1);
  if (PrepareDatabase(file_) != DatabasePreparation::kReady)
    ADD_FAILURE() << "cannot prepare " << file_;
  // A test before may have left the process's database unusable on purpose.
  DatabaseMaintenance::Instance().MarkUsable();
  // The first database of the process ends the start-up hold of the maintenance flag.
  if (DatabaseMaintenance::Instance().IsMaintenanceRunning())
    DatabaseMaintenance::Instance().RunMaintenance();
  BoundStatement(ThreadSession(), "DELETE FROM Log").Execute();
}

TempDatabase::~TempDatabase() {
  CloseThreadSession();
  SetDatabaseFile({});
}

}  // namespace orlentis::testing
