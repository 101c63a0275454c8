#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// The entry points that take a session run inside a caller's guarded operation; the others
// open their own, so callers without database access of their own need no SOCI header.
namespace soci {
class session;
}

namespace orlentis {

inline constexpr std::size_t kMaxLogText = 255;

// What the audit trail says of an entry beyond its three texts; see base/audit_trail.h.
struct LogEntryFacts {
  std::string_view event;  // stable id: "site.checkin", "account.user-added", ...
  std::string_view address = {};
  std::string_view user = {};
  std::string_view changes = {};
};

// Appends one entry (time now) and then trims the log to its limit. With honourUnavailable
// the entry is not written while the database is unavailable; only the maintenance's own
// entries pass false. True when the row was written.
bool AppendLogEntry(std::string_view source, std::string_view action, std::string_view detail,
                    const LogEntryFacts& facts, bool honourUnavailable);
// The same with the three texts taken from the language file.
bool AppendLogEntryById(int sourceId, int actionId, int detailId, std::string_view event,
                        bool honourUnavailable);
// One entry as the log stores it: the time now, and its texts clipped to the log's limit.
struct LogEntryRow {
  std::string time;
  std::string source;
  std::string action;
  std::string detail;
};
LogEntryRow NewLogEntryRow(std::string_view source, std::string_view action,
                           std::string_view detail);
// For a statement of the caller's own that writes entry: its audit record is held until the
// operation commits, as for every entry.
void HoldAuditRecordOf(const LogEntryRow& entry, const LogEntryFacts& facts);

// Appends one entry without trimming (the site check-in writes its own entry so), inside
// the caller's guarded operation.
// Every entry passes here: its audit record is held until its operation commits.
void AppendLogEntryWithoutTrim(soci::session& session, std::string_view source,
                               std::string_view action, std::string_view detail,
                               const LogEntryFacts& facts);

// Appends one entry and trims the log, inside the caller's guarded operation: a change and
// its entry then commit together, or neither does.
void AppendLogEntryInOperation(soci::session& session, std::string_view source,
                               std::string_view action, std::string_view detail,
                               const LogEntryFacts& facts);

// The time of the newest entry of source with action, as an OLE date; none when there is none
// or its time cannot be read.
std::optional<double> NewestLogEntryTime(soci::session& session, std::string_view source,
                                         std::string_view action);

// Applies the log limit of the settings, under the guard; nothing while unavailable.
void TrimLog();
// The newest keep entries stay; among entries of the same second the later written stays.
void TrimLogByCount(soci::session& session, std::int32_t keep);
// Entries older than days x 86400 seconds before now, and entries dated after now, go;
// with days 0 or less every entry goes.
void TrimLogByAge(soci::session& session, std::int32_t days, std::time_t now);

}  // namespace orlentis
