#pragma once

#include <memory>
#include <string>

#include "base/settings.h"
#include "store/database_target.h"
#include "support/base/temp_folder.h"

namespace orlentis::testing {

// A program folder as start-up leaves it, in a fresh temporary folder: the default settings
// and language files, a fresh database on engine (see UseFreshDatabase) with its tables and
// first accounts, the start-up maintenance done (so the listener admits connections). One per
// test process at a time.
class TestProgramFolder {
 public:
  explicit TestProgramFolder(DatabaseEngine engine = DatabaseEngine::kSqlite);

  const TempFolder& Folder() const { return folder_; }
  // The folder's Setting.ini, read into an object of its own so that a test can change it.
  orlentis::Settings& ProgramSettings() { return *settings_; }

  void SetIpFilter(bool on, std::int32_t mode);

 private:
  TempFolder folder_;
  std::unique_ptr<orlentis::Settings> settings_;
};

// Appends one range to the IP filter's table through the calling thread's session.
void AddFilterRange(const std::string& from, const std::string& to);

}  // namespace orlentis::testing
