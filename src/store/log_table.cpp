#include "store/log_table.h"

#include <cstdio>

#include "base/clock.h"
#include "store/engine_dialect.h"
#include "store/keyless_rows.h"

namespace orlentis {
namespace {

std::string SelectEntries(soci::session& session) {
  const char* server =
      SessionEngine(session) == DatabaseEngine::kPostgres ? "COALESCE(strServer, '')" : "''";
  return std::string("SELECT time, strSource, strAction, strDetail, ") + kRowIdColumn + ", " +
         server + " FROM Log ";
}

template <class Bind>
std::vector<LogRow> ReadEntries(soci::session& session, const std::string& tail, Bind bind) {
  std::vector<LogRow> rows;
  LogRow row;
  std::string timeText;
  long long rowId = 0;
  BoundStatement query(session, SelectEntries(session) + tail);
  query.Into(timeText).Into(row.strSource).Into(row.strAction).Into(row.strDetail).Into(rowId);
  query.Into(row.server);
  bind(query);
  while (query.Fetch()) {
    row.time = ParseLocalTimeText(timeText).value_or(0);
    row.rowId = rowId;
    rows.push_back(row);
  }
  return rows;
}

std::string DayText(CalendarDay day, const char* timeOfDay) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %s", day.year, day.month, day.day, timeOfDay);
  return text;
}

}  // namespace

void LogTable::OpenNewestFirst() {
  Load([this] {
    return ReadEntries(session_, std::string("ORDER BY time DESC, ") + kRowIdColumn + " DESC",
                       [](BoundStatement&) {});
  });
}

void LogTable::OpenBetweenDays(CalendarDay first, CalendarDay last) {
  Load([this, from = DayText(first, "00:00:00"), to = DayText(last, "23:59:59")] {
    return ReadEntries(
        session_, std::string("WHERE time >= :from AND time <= :to ORDER BY time, ") + kRowIdColumn,
        [&](BoundStatement& q) { q.Use(from).Use(to); });
  });
}

void LogTable::OpenAfterKey(std::int64_t key) {
  Load([this, after = static_cast<long long>(key)] {
    return ReadEntries(session_,
                       std::string("WHERE ") + kRowIdColumn + " > :key ORDER BY " + kRowIdColumn,
                       [&](BoundStatement& q) { q.Use(after); });
  });
}

std::int64_t LogTable::NewestRowId(soci::session& session) {
  long long newest = 0;
  BoundStatement query(session, std::string("SELECT MAX(") + kRowIdColumn + ") FROM Log");
  query.Into(newest);
  query.Execute();
  return newest;
}

LogRow& LogTable::AddNew() {
  LogRow& row = Keyset<LogRow>::AddNew();
  row.time = CurrentClock().Now();
  return row;
}

std::size_t LogTable::DeleteByRowIds(const std::vector<std::int64_t>& rowIds) {
  return EraseKeylessRows(session_, "Log", rowIds);
}

void LogTable::Insert(LogRow& row) {
  const std::string timeText = LocalTimeText(row.time);
  BoundStatement(session_,
                 "INSERT INTO Log (time, strSource, strAction, strDetail) VALUES (:time, :source, "
                 ":action, :detail)")
      .Use(timeText)
      .Use(row.strSource)
      .Use(row.strAction)
      .Use(row.strDetail)
      .Execute();
  row.rowId = LastInsertId(session_);
}

void LogTable::Write(const LogRow& original, const LogRow& changed) {
  const std::string timeText = LocalTimeText(changed.time);
  const long long rowId = original.rowId;
  BoundStatement(session_,
                 "UPDATE Log SET time = :time, strSource = :source, strAction = :action, "
                 "strDetail = :detail" +
                     RowIdCondition())
      .Use(timeText)
      .Use(changed.strSource)
      .Use(changed.strAction)
      .Use(changed.strDetail)
      .Use(rowId)
      .Execute();
}

void LogTable::Erase(const LogRow& row) {
  EraseKeylessRow(session_, "Log", row.rowId);
}

}  // namespace orlentis
