#pragma once

#include <filesystem>

#include "support/base/temp_folder.h"

namespace orlentis::testing {

inline constexpr const char* kTestAdminPassword = "initial-test-password";

// The program folder of the test process: a temporary folder holding the default Setting.ini
// and English.lng, made the program folder on first call, so that language texts and
// settings are the program's defaults (tests change settings through Settings::Instance()).
const std::filesystem::path& TestProgramFolder();

// A fresh database in its own temporary folder, used by every session of the process while
// the object lives: tables, default groups and the Administrator (password
// kTestAdminPassword), the start-up maintenance done (so maintenance is not running) and the
// log empty.
class TempDatabase {
 public:
  TempDatabase();
  ~TempDatabase();
  TempDatabase(const TempDatabase&) = delete;
  TempDatabase& operator=(const TempDatabase&) = delete;

  const std::filesystem::path& File() const { return file_; }
  const std::filesystem::path& Folder() const { return folder_.Path(); }

 private:
  TempFolder folder_;
  std::filesystem::path file_;
};

}  // namespace orlentis::testing
