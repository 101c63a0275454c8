#pragma once

#include <filesystem>
#include <span>

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

// Points the store at databaseFile, brings its schema to the newest version of scripts and
// writes the first-start accounts where missing. Anything but kReady comes with one line on
// standard error.
DatabasePreparation PrepareDatabase(const std::filesystem::path& databaseFile,
                                    std::span<const SchemaScript> scripts = SchemaScripts());

// The store's share of start-up, after the program folder is known: the database beside the
// settings, the start-up maintenance, the "Start" log entry, and the end of start-up (from
// then on every compaction waits before it begins). False when the database was refused:
// then nothing else was done, and the program must end.
[[nodiscard]] bool RunStoreStartup(const std::filesystem::path& programFolder);

}  // namespace orlentis
