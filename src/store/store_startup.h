#pragma once

#include <filesystem>

namespace orlentis {

// Points the store at databaseFile and creates its tables and first-start accounts where
// missing. False (with one line on standard error) when the database cannot be prepared.
bool PrepareDatabase(const std::filesystem::path& databaseFile);

// The store's share of start-up, after the program folder is known: the database beside the
// settings, the start-up maintenance, the "Start" log entry, and the end of start-up (from
// then on every compaction waits before it begins).
void RunStoreStartup(const std::filesystem::path& programFolder);

}  // namespace orlentis
