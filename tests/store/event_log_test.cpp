#include "store/event_log.h"

#include "base/language.h"
#include "base/text_ids.h"
#include "store/bound_statement.h"
#include "store/database_guard.h"
#include "store/held_audit_records.h"
#include "store/transaction.h"
#include "store_test.h"

namespace orlentis::testing {
namespace {

constexpr std::time_t kDay = 86400;

class EventLogTest : public EachEngineTest {
 protected:
  EventLogTest() : clock_(TimeFromOleDate(OleDateFromLocal(2026, 6, 15, 10, 30, 0))) {
    SetCurrentClock(&clock_);
  }

  void SetLimits(std::int32_t mode, std::int32_t keepRecords, std::int32_t keepDays) {
    LogLimits limits;
    limits.mode = mode;
    limits.keepRecords = keepRecords;
    limits.keepDays = keepDays;
    Settings::Instance().SetLogLimits(limits);
  }

  void AddEntry(std::time_t time, const std::string& detail) {
    const std::string text = LocalTimeText(time);
    BoundStatement(Session(),
                   "INSERT INTO Log (time, strSource, strAction, strDetail) VALUES (:t, 's', 'a', "
                   ":d)")
        .Use(text)
        .Use(detail)
        .Execute();
  }

  std::vector<std::string> Details() {
    std::vector<std::string> details;
    for (const auto& entry : LogNewestFirst()) details.push_back(entry.strDetail);
    return details;
  }

  ManualClock clock_;
};

TEST_P(EventLogTest, EntryCarriesTheTimeOfWritingAndItsTexts) {
  ASSERT_TRUE(AppendLogEntry("source", "action", "detail", {"test"}, true));
  const auto entries = LogNewestFirst();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].time, clock_.Now());
  EXPECT_EQ(entries[0].strSource, "source");
  EXPECT_EQ(entries[0].strAction, "action");
  EXPECT_EQ(entries[0].strDetail, "detail");
}

TEST_P(EventLogTest, EntryByIdTakesTheLanguageTexts) {
  ASSERT_TRUE(AppendLogEntryById(kTextProgramName, kTextStart, kTextStarted, "test", true));
  const auto entries = LogNewestFirst();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].strSource, "Orlentis");
  EXPECT_EQ(entries[0].strAction, "Start");
  EXPECT_EQ(entries[0].strDetail, "Orlentis start");
}

TEST_P(EventLogTest, LongTextsAreCutWithoutSplittingACharacter) {
  std::string umlauts;
  for (int i = 0; i < 200; ++i) umlauts += "\xC3\xA4";  // 400 bytes of two-byte characters
  ASSERT_TRUE(AppendLogEntry(umlauts, "x", "y", {"test"}, true));
  const std::string stored = LogNewestFirst().at(0).strSource;
  EXPECT_EQ(stored, umlauts.substr(0, 254));
}

TEST_P(EventLogTest, CountTrimKeepsTheNewestEntries) {
  SetLimits(0, 1000, 30);
  {
    soci::transaction transaction(Session());
    AddEntry(clock_.Now() - 5000, "oldest");
    // Entries of one second: the later written counts as the newer.
    for (int entry = 1; entry < 1000; ++entry) AddEntry(clock_.Now() - 10, std::to_string(entry));
    transaction.commit();
  }
  ASSERT_TRUE(AppendLogEntry("s", "a", "newest", {"test"}, true));
  EXPECT_EQ(Count("Log"), 1000);
  EXPECT_EQ(Count("Log", "strDetail = 'oldest'"), 0);
  EXPECT_EQ(Details().front(), "newest");

  ASSERT_TRUE(AppendLogEntry("s", "a", "newer still", {"test"}, true));
  EXPECT_EQ(Count("Log"), 1000);
  EXPECT_EQ(Count("Log", "strDetail = '1'"), 0);
  EXPECT_EQ(Count("Log", "strDetail = '2'"), 1);
}

TEST_P(EventLogTest, CountLimitZeroEmptiesTheLogAfterEveryAppend) {
  SetLimits(0, 0, 30);
  AddEntry(clock_.Now(), "earlier");
  EXPECT_TRUE(AppendLogEntry("s", "a", "d", {"test"}, true));
  EXPECT_EQ(Count("Log"), 0);
}

TEST_P(EventLogTest, AgeTrimBoundaries) {
  SetLimits(1, 1000, 30);
  AddEntry(clock_.Now() - 30 * kDay, "exactly 30 days");
  AddEntry(clock_.Now() - 30 * kDay - 1, "a second older");
  AddEntry(clock_.Now() + 1, "future");
  AddEntry(clock_.Now() - kDay, "yesterday");
  ASSERT_TRUE(AppendLogEntry("s", "a", "now", {"test"}, true));
  EXPECT_EQ(Details(), (std::vector<std::string>{"now", "yesterday", "exactly 30 days"}));
}

TEST_P(EventLogTest, AgeLimitZeroEmptiesTheLog) {
  SetLimits(1, 1000, 0);
  AddEntry(clock_.Now() - kDay, "yesterday");
  EXPECT_TRUE(AppendLogEntry("s", "a", "d", {"test"}, true));
  EXPECT_EQ(Count("Log"), 0);
}

TEST_P(EventLogTest, DirectAppendDoesNotTrim) {
  SetLimits(0, 0, 30);
  AppendLogEntryWithoutTrim(Session(), "site", "Site checkin", "10.0.0.1:80", {"test"});
  EXPECT_EQ(Count("Log"), 1);
}

// An entry's audit record leaves with its commit: one written inside a unit that was undone
// is dropped, the outermost operation's success sends the rest, and a failed one drops them.
TEST_P(EventLogTest, AnEntryReachesTheAuditTrailOnlyWithItsCommit) {
  const auto append = [](soci::session& session, const char* detail) {
    AppendLogEntryWithoutTrim(session, "site", "Site checkin", detail,
                              {"site.checkin", "10.0.0.1"});
  };
  DropHeldAuditRecordsAfter(0);
  std::size_t heldBeforeTheOperationEnded = 0;
  EXPECT_EQ(RunGuarded([&](soci::session& session) {
              {
                Transaction undone(session);
                append(session, "undone");
              }
              Transaction kept(session);
              append(session, "kept");
              kept.Commit();
              heldBeforeTheOperationEnded = HeldAuditRecordCount();
            }),
            DbOutcome::kDone);
  EXPECT_EQ(heldBeforeTheOperationEnded, 1u);
  EXPECT_EQ(HeldAuditRecordCount(), 0u);
  EXPECT_EQ(Count("Log"), 1);

  GuardOptions noRepair;
  noRepair.honourUnavailable = false;
  const DbOutcome failed = RunGuarded(
      [&](soci::session& session) {
        append(session, "failed");
        BoundStatement(session, "INSERT INTO NoSuchTable VALUES (1)").Execute();
      },
      noRepair);
  EXPECT_EQ(failed, DbOutcome::kFailed);
  EXPECT_EQ(HeldAuditRecordCount(), 0u);
}

// The repair compacts the SQLite file; the store repairs nothing on PostgreSQL.
class EventLogDuringRepairTest : public EventLogTest {};

TEST_P(EventLogDuringRepairTest,
       WhileUnavailableOnlyEntriesThatIgnoreItAreWrittenAndNothingIsTrimmed) {
  SetLimits(0, 0, 30);
  bool honoured = true;
  bool ignored = false;
  DatabaseMaintenance::Instance().SetStartupFinished();
  DatabaseMaintenance::Instance().SetCompactionWait([&](std::chrono::milliseconds) {
    honoured = AppendLogEntry("s", "a", "honoured", {"test"}, true);
    ignored = AppendLogEntry("s", "a", "ignored", {"test"}, false);
  });
  DatabaseMaintenance::Instance().RepairDatabase();
  EXPECT_FALSE(honoured);
  EXPECT_TRUE(ignored);
  EXPECT_EQ(Count("Log", "strDetail = 'honoured'"), 0);
  EXPECT_EQ(Count("Log", "strDetail = 'ignored'"), 1);
}

TEST_P(EventLogTest, WithLogDataOffOrdinaryEntriesAreStillWritten) {
  PreferenceBlock preferences;
  preferences.logData = 0;
  Settings::Instance().SetPreferences(preferences);
  EXPECT_TRUE(AppendLogEntryById(kTextProgramName, kTextLoginAction, kTextUserLogin, "test", true));
  EXPECT_EQ(Count("Log"), 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, EventLogTest, EachEngine(), EngineName);
INSTANTIATE_TEST_SUITE_P(Engines, EventLogDuringRepairTest,
                         ::testing::Values(DatabaseEngine::kSqlite), EngineName);

}  // namespace
}  // namespace orlentis::testing
