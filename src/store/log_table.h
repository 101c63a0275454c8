#pragma once

#include <soci/soci.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "store/keyset.h"

namespace orlentis {

// One event-log entry (table Log). time is stored as local "YYYY-MM-DD HH:MM:SS" text.
struct LogRow {
  std::time_t time = 0;
  std::string strSource;
  std::string strAction;
  std::string strDetail;
  std::int64_t rowId = 0;
  // The server that wrote it, where several servers share the database (read, never written:
  // the database fills it in); empty otherwise.
  std::string server;
};

struct CalendarDay {
  int year = 0;
  int month = 0;
  int day = 0;
};

// The table Log. A new row's time is the current time of the process clock.
class LogTable : public Keyset<LogRow> {
 public:
  explicit LogTable(soci::session& session) : session_(session) {}

  // Every entry, newest first (entries of the same second: the later written first).
  void OpenNewestFirst();
  // Every entry from 00:00:00 of first to 23:59:59 of last, inclusive, oldest first.
  void OpenBetweenDays(CalendarDay first, CalendarDay last);
  // The entries whose row key is above key, in the order of their keys.
  void OpenAfterKey(std::int64_t key);
  // The key of the newest row; 0 when the log is empty.
  static std::int64_t NewestRowId(soci::session& session);

  LogRow& AddNew();

  // Deletes the rows with these row ids as one unit, loaded or not (the loaded rows stay as
  // they are); gives back how many were still there.
  std::size_t DeleteByRowIds(const std::vector<std::int64_t>& rowIds);

 protected:
  void Insert(LogRow& row) override;
  void Write(const LogRow& original, const LogRow& changed) override;
  void Erase(const LogRow& row) override;

 private:
  soci::session& session_;
};

}  // namespace orlentis
