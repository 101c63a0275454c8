#pragma once

#include <filesystem>

#include "store/database_target.h"
#include "support/base/temp_folder.h"

namespace orlentis::testing {

inline constexpr const char* kTestAdminPassword = "initial-test-password";

// The program folder of the test process: a temporary folder holding the default Setting.ini
// and English.lng, made the program folder on first call, so that language texts and
// settings are the program's defaults (tests change settings through Settings::Instance()).
const std::filesystem::path& TestProgramFolder();

// A fresh database used by every session of the process while the object lives: tables,
// default groups and the Administrator (password kTestAdminPassword), and the log empty. On
// SQLite a file in its own temporary folder, with the start-up maintenance done (so
// maintenance is not running); on PostgreSQL a new database on the tests' shared server
// (PostgresServer::Shared()), whose first-start files go to the temporary folder.
class TempDatabase {
 public:
  explicit TempDatabase(DatabaseEngine engine = DatabaseEngine::kSqlite);
  ~TempDatabase();
  TempDatabase(const TempDatabase&) = delete;
  TempDatabase& operator=(const TempDatabase&) = delete;

  // Brings the schema to the newest version and seeds the accounts where none are, as at a
  // start; true when that succeeded.
  bool PrepareAgain();

  // The SQLite file (unused on PostgreSQL).
  const std::filesystem::path& File() const { return file_; }
  const std::filesystem::path& Folder() const { return folder_.Path(); }

 private:
  DatabaseEngine engine_;
  TempFolder folder_;
  std::filesystem::path file_;
};

}  // namespace orlentis::testing
