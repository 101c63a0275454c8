#include "support/store/test_program_folder.h"

#include <cstdlib>
#include <stdexcept>

#include "base/default_files.h"
#include "base/program_folder.h"
#include "store/database_maintenance.h"
#include "store/engine.h"
#include "store/mask_ip_table.h"
#include "store/schema.h"
#include "store/store_startup.h"
#include "support/store/each_engine.h"

namespace orlentis::testing {

TestProgramFolder::TestProgramFolder(DatabaseEngine engine) {
  ::setenv(kAdminPasswordVariable, "test-password", 1);
  SetProgramFolder(folder_.Path());
  WriteDefaultProgramFiles(folder_.Path());
  if (PrepareDatabase(UseFreshDatabase(folder_.Path(), engine)) != DatabasePreparation::kReady) {
    throw std::runtime_error("cannot prepare the test database");
  }
  // Ends the start-up hold: until the first maintenance, no connection is admitted.
  DatabaseMaintenance::Instance().RunMaintenance();
  settings_ = std::make_unique<Settings>(folder_ / kSettingsFileName);
}

void TestProgramFolder::SetIpFilter(bool on, std::int32_t mode) {
  PreferenceBlock preferences = settings_->GetPreferences();
  preferences.ipFilter = on ? 1 : 0;
  preferences.ipFilterMode = mode;
  settings_->SetPreferences(preferences);
}

void AddFilterRange(const std::string& from, const std::string& to) {
  MaskIpTable ranges(ThreadSession());
  ranges.OpenAll();
  MaskIPRow& row = ranges.AddNew();
  row.strIPFrom = from;
  row.strIPTo = to;
  row.strDescription = "test range";
  ranges.Update();
}

}  // namespace orlentis::testing
