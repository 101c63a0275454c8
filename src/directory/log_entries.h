#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "store/db_outcome.h"

namespace orlentis {

// The event log as the console's Log page shows, searches, deletes and exports it. Each
// database function is one guarded operation on the calling thread's session.

// One entry with its time as the console shows it, "YYYY/MM/DD HH:MM:SS" in local time; that
// text sorts like the time itself. The key names the entry's row: two entries of the same
// second can show the same texts, and only the key tells which of them was selected.
struct LogEntry {
  std::string time;
  std::string source;
  std::string action;
  std::string detail;
  std::int64_t key = 0;
  std::string server;  // that wrote it, where several servers share the directory

  bool operator==(const LogEntry&) const = default;
};

std::string LogEntryTimeText(std::time_t time);

// Every entry, oldest first.
DbResult<std::vector<LogEntry>> ListLogEntries();
// The entries from 00:00:00 of first to 23:59:59 of last, oldest first; nothing when first
// lies after last.
DbResult<std::vector<LogEntry>> ListLogEntriesBetween(std::chrono::year_month_day first,
                                                      std::chrono::year_month_day last);

// The entries whose key is above key, in the order of their keys: the order they were
// written in, but for writers whose commits overtook each other.
DbResult<std::vector<LogEntry>> ListLogEntriesAfter(std::int64_t key);
// The key of the newest entry; 0 when there is none.
DbResult<std::int64_t> NewestLogEntryKey();

// Deletes the entries with these keys, in any order, all or none. An entry already deleted by
// someone else is not counted; gives back how many entries this deletion removed.
DbResult<std::size_t> DeleteLogEntries(const std::vector<std::int64_t>& keys);

// One line of the exported log: time, source, action and "<detail>", ending in CR LF.
std::string LogExportLine(const LogEntry& entry);

// What became of an export of the log.
struct LogExport {
  enum class Outcome {
    kWritten,
    kDatabaseFile,  // the file named is one of the database's own (IsDatabaseOwnFile): refused
    kNotRead,       // the entries could not be read; database says why
    kNotWritten,    // the file could not be written
  };

  Outcome outcome = Outcome::kWritten;
  DbOutcome database = DbOutcome::kDone;

  bool Written() const { return outcome == Outcome::kWritten; }
};

// Writes the whole log, oldest first, into file, replacing it as a whole. Unless the log is
// written, an existing file is left as it was: a previous export is never replaced by an empty
// one because the database could not be read.
LogExport ExportLog(const std::filesystem::path& file);

}  // namespace orlentis
