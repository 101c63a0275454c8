#pragma once

#include <chrono>
#include <cstddef>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "store/db_outcome.h"

namespace orlentis {

// The event log as the console's Log page shows, searches, deletes and exports it. Each
// database function is one guarded operation on the calling thread's session.

// One entry with its time as the console shows it, "YYYY/MM/DD HH:MM:SS" in local time. That
// text sorts like the time itself, and it is what a deletion matches against.
struct LogEntry {
  std::string time;
  std::string source;
  std::string action;
  std::string detail;

  bool operator==(const LogEntry&) const = default;
};

std::string LogEntryTimeText(std::time_t time);

// Every entry, oldest first.
DbResult<std::vector<LogEntry>> ListLogEntries();
// The entries from 00:00:00 of first to 23:59:59 of last, oldest first; nothing when first
// lies after last.
DbResult<std::vector<LogEntry>> ListLogEntriesBetween(std::chrono::year_month_day first,
                                                      std::chrono::year_month_day last);

// Deletes the entries the administrator selected, given in the order they are listed. The
// table is walked once, oldest first, each selected entry being looked for from where the
// previous one was found; the first one not found ends the deletion, so an entry listed out of
// table order (after a re-sort) stays. Gives back how many of the selected entries, from the
// first, were deleted.
DbResult<std::size_t> DeleteLogEntries(const std::vector<LogEntry>& selected);

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
