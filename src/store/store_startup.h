#pragma once

#include <filesystem>
#include <span>

#include "store/database_target.h"
#include "store/schema_scripts.h"

namespace orlentis {

// What became of preparing the database at start-up.
enum class DatabasePreparation {
  // At the newest schema version, with the first-start accounts where there were none.
  kReady,
  // It could not be prepared (a damaged file, say); start-up goes on, and its maintenance
  // repairs what it can.
  kFailed,
  // Its schema version is newer than this program knows, or its upgrade failed. It was left
  // as it was, and the program must not start on it.
  kRefused,
};

// Points the store at target, brings its schema to the newest version of scripts (those of
// its engine unless given) and writes the first-start accounts where missing. Anything but
// kReady comes with one line on standard error.
DatabasePreparation PrepareDatabase(const DatabaseTarget& target,
                                    std::span<const SchemaScript> scripts);
DatabasePreparation PrepareDatabase(const DatabaseTarget& target);
DatabasePreparation PrepareDatabase(const std::filesystem::path& databaseFile,
                                    std::span<const SchemaScript> scripts = SchemaScripts());

// The database Setting.ini chooses for programFolder: the PostgreSQL database DATABASE/CONNECT
// names, or without one the SQLite file in the folder.
DatabaseTarget ConfiguredDatabaseTarget(const std::filesystem::path& programFolder);

// The store's share of start-up, after the program folder and its settings are known: the
// configured database, the start-up maintenance, the "Start" log entry, and the end of start-up
// (from then on every compaction waits before it begins). False when the database was refused: then
// nothing else was done, and the program must end.
[[nodiscard]] bool RunStoreStartup(const std::filesystem::path& programFolder);

// While the database is unusable (it could not be prepared at start-up, or a repair failed):
// prepares it again and tries its write lock, in the background; when both succeed it is
// usable again. The housekeeping calls this every minute; a PostgreSQL database is also
// checked every few seconds by the maintenance itself.
void RecheckUnusableDatabase();

}  // namespace orlentis
