#include "directory/log_entries.h"

#include <algorithm>

#include "base/profile_file.h"
#include "directory/database_files.h"
#include "store/database_guard.h"
#include "store/log_table.h"

namespace orlentis {
namespace {

LogEntry EntryOf(const LogRow& row) {
  return {LogEntryTimeText(row.time),
          row.strSource,
          row.strAction,
          row.strDetail,
          row.rowId,
          row.server};
}

std::vector<LogEntry> EntriesOf(const std::vector<LogRow>& rows) {
  std::vector<LogEntry> entries;
  entries.reserve(rows.size());
  for (const LogRow& row : rows) entries.push_back(EntryOf(row));
  return entries;
}

std::vector<LogEntry> ReadOldestFirst(soci::session& session) {
  LogTable log(session);
  log.OpenNewestFirst();
  std::vector<LogEntry> entries = EntriesOf(log.Rows());
  std::reverse(entries.begin(), entries.end());
  return entries;
}

CalendarDay DayOf(std::chrono::year_month_day day) {
  return {static_cast<int>(day.year()), static_cast<int>(static_cast<unsigned>(day.month())),
          static_cast<int>(static_cast<unsigned>(day.day()))};
}

}  // namespace

std::string LogEntryTimeText(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
  return std::string(text, length);
}

DbResult<std::vector<LogEntry>> ListLogEntries() {
  return RunGuardedFor([](soci::session& session) { return ReadOldestFirst(session); });
}

DbResult<std::vector<LogEntry>> ListLogEntriesBetween(std::chrono::year_month_day first,
                                                      std::chrono::year_month_day last) {
  return RunGuardedFor([&](soci::session& session) {
    LogTable log(session);
    log.OpenBetweenDays(DayOf(first), DayOf(last));
    return EntriesOf(log.Rows());
  });
}

DbResult<std::vector<LogEntry>> ListLogEntriesAfter(std::int64_t key) {
  return RunGuardedFor([key](soci::session& session) {
    LogTable log(session);
    log.OpenAfterKey(key);
    return EntriesOf(log.Rows());
  });
}

DbResult<std::int64_t> NewestLogEntryKey() {
  return RunGuardedFor(LogTable::NewestRowId);
}

DbResult<std::size_t> DeleteLogEntries(const std::vector<std::int64_t>& keys) {
  return RunGuardedFor(
      [&](soci::session& session) { return LogTable(session).DeleteByRowIds(keys); });
}

std::string LogExportLine(const LogEntry& entry) {
  return entry.time + ' ' + entry.source + ' ' + entry.action + " <" + entry.detail + ">\r\n";
}

LogExport ExportLog(const std::filesystem::path& file) {
  // Replacing the database by a rename, or the lock file, would be bad enough; merely opening
  // one of them would already drop the locks SQLite holds on it.
  if (IsDatabaseOwnFile(file)) return {LogExport::Outcome::kDatabaseFile};
  const DbResult<std::vector<LogEntry>> entries = ListLogEntries();
  if (!entries.Done()) return {LogExport::Outcome::kNotRead, entries.outcome};
  std::string content;
  for (const LogEntry& entry : *entries.value) content += LogExportLine(entry);
  if (!WriteFileAtomically(file, content)) return {LogExport::Outcome::kNotWritten};
  return {};
}

}  // namespace orlentis
