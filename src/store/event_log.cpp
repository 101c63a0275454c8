#include "store/event_log.h"

#include <ctime>
#include <optional>
#include <string>

#include "base/clock.h"
#include "base/language.h"
#include "base/settings.h"
#include "store/bound_statement.h"
#include "store/database_guard.h"
#include "store/engine.h"
#include "store/held_audit_records.h"

namespace orlentis {
namespace {

// Language texts are looked up into buffers of 512 characters.
constexpr std::size_t kMaxLanguageTextForLog = 511;

// At most maxBytes of text, never ending inside a UTF-8 sequence.
std::string Clipped(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return std::string(text);
  std::size_t end = maxBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return std::string(text.substr(0, end));
}

void TrimLogToSettings(soci::session& session) {
  const LogLimits limits = Settings::Instance().GetLogLimits();
  if (limits.mode == 0) {
    TrimLogByCount(session, limits.keepRecords);
  } else {
    TrimLogByAge(session, limits.keepDays, CurrentClock().Now());
  }
}

}  // namespace

LogEntryRow NewLogEntryRow(std::string_view source, std::string_view action,
                           std::string_view detail) {
  return {LocalTimeText(CurrentClock().Now()), Clipped(source, kMaxLogText),
          Clipped(action, kMaxLogText), Clipped(detail, kMaxLogText)};
}

void HoldAuditRecordOf(const LogEntryRow& entry, const LogEntryFacts& facts) {
  HoldAuditRecord({std::string(facts.event), entry.source, entry.action, entry.detail,
                   std::string(facts.address), std::string(facts.user),
                   std::string(facts.changes)});
}

void AppendLogEntryWithoutTrim(soci::session& session, std::string_view source,
                               std::string_view action, std::string_view detail,
                               const LogEntryFacts& facts) {
  const LogEntryRow entry = NewLogEntryRow(source, action, detail);
  BoundStatement(session,
                 "INSERT INTO Log (time, strSource, strAction, strDetail) VALUES (:time, :source, "
                 ":action, :detail)")
      .Use(entry.time)
      .Use(entry.source)
      .Use(entry.action)
      .Use(entry.detail)
      .Execute();
  HoldAuditRecordOf(entry, facts);
}

bool AppendLogEntry(std::string_view source, std::string_view action, std::string_view detail,
                    const LogEntryFacts& facts, bool honourUnavailable) {
  bool repaired = false;
  GuardOptions options;
  options.honourUnavailable = honourUnavailable;
  options.repairSucceeded = &repaired;
  const DbOutcome outcome = RunGuarded(
      [&](soci::session& session) {
        AppendLogEntryWithoutTrim(session, source, action, detail, facts);
      },
      options);
  if (outcome == DbOutcome::kDone || repaired) TrimLog();
  return outcome == DbOutcome::kDone;
}

bool AppendLogEntryById(int sourceId, int actionId, int detailId, std::string_view event,
                        bool honourUnavailable) {
  return AppendLogEntry(Clipped(GetLanguageText(sourceId), kMaxLanguageTextForLog),
                        Clipped(GetLanguageText(actionId), kMaxLanguageTextForLog),
                        Clipped(GetLanguageText(detailId), kMaxLanguageTextForLog), {event},
                        honourUnavailable);
}

void AppendLogEntryInOperation(soci::session& session, std::string_view source,
                               std::string_view action, std::string_view detail,
                               const LogEntryFacts& facts) {
  AppendLogEntryWithoutTrim(session, source, action, detail, facts);
  TrimLogToSettings(session);
}

void TrimLog() {
  RunGuarded([](soci::session& session) { TrimLogToSettings(session); });
}

std::optional<double> NewestLogEntryTime(soci::session& session, std::string_view source,
                                         std::string_view action) {
  const std::string sourceText(source);
  const std::string actionText(action);
  std::string newest;
  BoundStatement query(
      session, "SELECT MAX(time) FROM Log WHERE strSource = :source AND strAction = :action");
  query.Use(sourceText).Use(actionText).Into(newest);
  query.Execute();
  if (query.IsNull(0)) return std::nullopt;
  const std::optional<std::time_t> time = ParseLocalTimeText(newest);
  if (!time) return std::nullopt;
  return OleDateFromTime(*time);
}

void TrimLogByCount(soci::session& session, std::int32_t keep) {
  // One statement that reads only the surplus: the oldest rows come off the start of the time
  // index, and a bare COUNT(*) is answered from the index's pages without visiting its
  // entries one by one (a count folded into a larger expression would visit every entry).
  const std::string count = "(SELECT COUNT(*) FROM Log)";
  BoundStatement(session, std::string("DELETE FROM Log WHERE ") + kRowIdColumn + " IN (SELECT " +
                              kRowIdColumn + " FROM Log ORDER BY time, " + kRowIdColumn +
                              " LIMIT (CASE WHEN " + count + " > :keep THEN " + count +
                              " - :keepAgain ELSE 0 END))")
      .Use(keep)
      .Use(keep)
      .Execute();
}

void TrimLogByAge(soci::session& session, std::int32_t days, std::time_t now) {
  if (days <= 0) {
    BoundStatement(session, "DELETE FROM Log").Execute();
    return;
  }
  // Times are local "YYYY-MM-DD HH:MM:SS" texts, which sort as the times they stand for.
  const std::string nowText = LocalTimeText(now);
  const std::time_t oldestKept = now - static_cast<std::time_t>(days) * 86400;
  const std::string oldestKeptText = oldestKept > 0 ? LocalTimeText(oldestKept) : std::string();
  BoundStatement(session, "DELETE FROM Log WHERE time > :now OR time < :oldest")
      .Use(nowText)
      .Use(oldestKeptText)
      .Execute();
}

}  // namespace orlentis
