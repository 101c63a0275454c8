#pragma once

#include <filesystem>

namespace orlentis {

// The steps of one compaction pass, in SQLite's terms. None of them throws.

// Writes a compacted copy of databaseFile into copyFile, which must not exist yet.
bool VacuumInto(const std::filesystem::path& databaseFile, const std::filesystem::path& copyFile);
// Whether the database in file passes SQLite's integrity check.
bool IsIntact(const std::filesystem::path& file);
// Compacts the live databaseFile where it is, in one write transaction, so that a write other
// sessions or processes commit meanwhile waits for it instead of being lost; then folds the
// write-ahead log back so that the file shrinks.
bool VacuumInPlace(const std::filesystem::path& databaseFile);
// Deletes a database file and its companion files, if they exist. A directory is left alone.
void RemoveDatabaseFile(const std::filesystem::path& file);

}  // namespace orlentis
