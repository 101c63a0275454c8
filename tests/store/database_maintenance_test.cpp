#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "base/language.h"
#include "base/text_ids.h"
#include "store/bound_statement.h"
#include "store/compaction.h"
#include "store/site_table.h"
#include "store_test.h"
#include "support/base/child_process.h"

namespace orlentis::testing {
namespace {

std::time_t LocalTime(int year, int month, int day, int hour, int minute) {
  return TimeFromOleDate(OleDateFromLocal(year, month, day, hour, minute, 0));
}

// A second process with its own SQLite connection that commits one row after another, without
// pause, each statement its own transaction, and prints the number of each committed row.
class CommittingProcess {
 public:
  CommittingProcess(const std::filesystem::path& database, const std::string& insert)
      : child_({"/usr/bin/python3",
                {"-c",
                 "import sqlite3, sys\n"
                 "db = sqlite3.connect(sys.argv[1], timeout=60, isolation_level=None)\n"
                 "n = 0\n"
                 "while True:\n"
                 "    n += 1\n"
                 "    db.execute(sys.argv[2], (n,))\n"
                 "    print(n, flush=True)\n",
                 database.string(), insert},
                {},
                {}}) {}
  ~CommittingProcess() { Stop(); }

  bool WaitForCommits(std::int64_t count) {
    for (int i = 0; i < 5000 && LastCommitted() < count; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return LastCommitted() >= count;
  }
  // Kills the process; the number of the last row it reported committed.
  std::int64_t Stop() {
    child_.Signal(SIGKILL);
    child_.Wait(10000);
    return LastCommitted();
  }

 private:
  std::int64_t LastCommitted() const {
    const std::string printed = child_.StandardOutput();
    const auto lineEnd = printed.rfind('\n');
    if (lineEnd == std::string::npos) return 0;
    const auto lineStart = printed.rfind('\n', lineEnd - 1);
    return std::stoll(printed.substr(lineStart == std::string::npos ? 0 : lineStart + 1));
  }

  ChildProcess child_;
};

class MaintenanceTest : public StoreTest {
 protected:
  MaintenanceTest() : clock_(LocalTime(2026, 1, 10, 12, 0)) { SetCurrentClock(&clock_); }

  void SetInterval(std::int32_t index, bool automatic = true) {
    PreferenceBlock preferences;
    preferences.maintenanceInterval = index;
    preferences.autoMaintenance = automatic ? 1 : 0;
    Settings::Instance().SetPreferences(preferences);
  }

  void SetLogData(bool on) {
    PreferenceBlock preferences = Settings::Instance().GetPreferences();
    preferences.logData = on ? 1 : 0;
    Settings::Instance().SetPreferences(preferences);
  }

  int MaintenanceEntries(int detailTextId) {
    int count = 0;
    const std::string action = GetLanguageText(kTextMaintenance);
    const std::string detail = GetLanguageText(detailTextId);
    BoundStatement(Session(), "SELECT COUNT(*) FROM Log WHERE strAction = :a AND strDetail = :d")
        .Use(action)
        .Use(detail)
        .Into(count)
        .Execute();
    return count;
  }

  void FillAndEmptyTheLog(int rows) {
    const std::string detail(500, 'x');
    soci::transaction transaction(Session());
    for (int row = 0; row < rows; ++row) {
      BoundStatement(Session(),
                     "INSERT INTO Log (time, strDetail) VALUES ('2026-01-01 00:00:00', :d)")
          .Use(detail)
          .Execute();
    }
    transaction.commit();
    BoundStatement(Session(), "PRAGMA wal_checkpoint(TRUNCATE)").Execute();
    BoundStatement(Session(), "DELETE FROM Log").Execute();
    BoundStatement(Session(), "PRAGMA wal_checkpoint(TRUNCATE)").Execute();
  }

  ManualClock clock_;
};

TEST_F(MaintenanceTest, NextMaintenanceIsDueTenMinutesEarly) {
  SetInterval(0);
  ASSERT_TRUE(DatabaseMaintenance::Instance().RunMaintenance());
  EXPECT_DOUBLE_EQ(DatabaseMaintenance::Instance().LastMaintenance(),
                   OleDateFromTime(LocalTime(2026, 1, 10, 12, 0)));
  EXPECT_DOUBLE_EQ(DatabaseMaintenance::Instance().NextMaintenance(),
                   OleDateFromTime(LocalTime(2026, 1, 11, 12, 0)));
  clock_.Set(LocalTime(2026, 1, 11, 11, 49));
  EXPECT_FALSE(DatabaseMaintenance::Instance().IsMaintenanceDue());
  clock_.Set(LocalTime(2026, 1, 11, 11, 51));
  EXPECT_TRUE(DatabaseMaintenance::Instance().IsMaintenanceDue());
  SetInterval(0, false);
  EXPECT_FALSE(DatabaseMaintenance::Instance().IsMaintenanceDue());
}

TEST_F(MaintenanceTest, IntervalIsTheDaysOfTheChosenChoice) {
  ASSERT_TRUE(DatabaseMaintenance::Instance().RunMaintenance());
  const double last = DatabaseMaintenance::Instance().LastMaintenance();
  // Choice 10 is 30 days; one beyond the choices acts as the last one, 60 days.
  for (const auto& [index, days] : {std::pair{10, 30}, {20, 60}, {11, 60}, {-4, 1}}) {
    SetInterval(index);
    DatabaseMaintenance::Instance().ScheduleNextMaintenance();
    EXPECT_DOUBLE_EQ(DatabaseMaintenance::Instance().NextMaintenance(), last + days) << index;
  }
}

TEST_F(MaintenanceTest, StartUpMaintenanceCompactsEvenWithAutomaticMaintenanceOff) {
  SetInterval(0, false);
  FillAndEmptyTheLog(2000);
  const auto before = std::filesystem::file_size(Database().File());
  EXPECT_TRUE(DatabaseMaintenance::Instance().RunMaintenance());
  EXPECT_LT(std::filesystem::file_size(Database().File()), before / 4);
  EXPECT_FALSE(DatabaseMaintenance::Instance().IsMaintenanceRunning());
  EXPECT_EQ(MaintenanceEntries(kTextCompacted), 1);
}

TEST_F(MaintenanceTest, CompactionShrinksTheDatabaseWhileAnotherSessionIsOpen) {
  SiteTable sites(Session());
  sites.OpenAll();
  sites.AddNew().strSiteName = "kept";
  sites.Update();
  FillAndEmptyTheLog(4000);
  auto other = OpenSession(Database().File());
  int groupsSeen = 0;
  BoundStatement(*other, "SELECT COUNT(*) FROM \"Group\"").Into(groupsSeen).Execute();

  const auto before = std::filesystem::file_size(Database().File());
  ASSERT_TRUE(DatabaseMaintenance::Instance().CompactDatabase(Database().File()));
  const auto after = std::filesystem::file_size(Database().File());
  EXPECT_LT(after * 10, before) << before << " -> " << after;
  EXPECT_FALSE(std::filesystem::exists(Database().Folder() / kTemporaryDatabaseFileName));

  std::string name;
  BoundStatement(*other, "SELECT strSiteName FROM Site").Into(name).Execute();
  EXPECT_EQ(name, "kept");
  BoundStatement(*other, "INSERT INTO MaskIP (strIPFrom) VALUES ('1.2.3.4')").Execute();
  EXPECT_EQ(Count("MaskIP"), 1);
  EXPECT_TRUE(IsIntact(Database().File()));
}

// Another process (the administration tool, say) that commits while compactions run must find
// every committed row afterwards: a compaction never puts back an older state of the file.
TEST_F(MaintenanceTest, NoRowCommittedByAnotherProcessIsLostThroughCompactions) {
  BoundStatement(Session(), "CREATE TABLE Probe (n INTEGER NOT NULL)").Execute();
  CloseThreadSession();
  DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
  CommittingProcess writer(Database().File(), "INSERT INTO Probe (n) VALUES (?1)");
  ASSERT_TRUE(writer.WaitForCommits(1));
  for (int round = 0; round < 20; ++round) {
    EXPECT_TRUE(DatabaseMaintenance::Instance().CompactDatabase(Database().File())) << round;
  }
  const std::int64_t committed = writer.Stop();
  ASSERT_GT(committed, 0);
  int kept = 0;
  BoundStatement(Session(), "SELECT COUNT(*) FROM Probe WHERE n <= :last")
      .Use(committed)
      .Into(kept)
      .Execute();
  EXPECT_EQ(kept, committed);
  EXPECT_TRUE(IsIntact(Database().File()));
}

TEST_F(MaintenanceTest, FailedCompactionLeavesTheDatabaseAsItWas) {
  // A directory where the temporary copy should go makes the copy fail (the tests run as
  // root, so a read-only folder would not).
  const auto blocked = Database().Folder() / kTemporaryDatabaseFileName;
  std::filesystem::create_directory(blocked);
  WriteWholeFile(blocked / "keep", "x");
  BoundStatement(Session(), "INSERT INTO MaskIP (strIPFrom) VALUES ('1.2.3.4')").Execute();
  CloseThreadSession();

  EXPECT_FALSE(DatabaseMaintenance::Instance().RunMaintenance());
  EXPECT_EQ(Count("MaskIP"), 1);
  EXPECT_EQ(Count("\"User\""), 1);
  EXPECT_TRUE(IsIntact(Database().File()));
  EXPECT_TRUE(std::filesystem::exists(blocked / "keep"));
  EXPECT_EQ(MaintenanceEntries(kTextCompactionFailed), 1);
  EXPECT_EQ(MaintenanceEntries(kTextCompacted), 0);
  EXPECT_FALSE(DatabaseMaintenance::Instance().IsMaintenanceRunning());
}

TEST_F(MaintenanceTest, EmptyPathFailsAtOnce) {
  EXPECT_FALSE(DatabaseMaintenance::Instance().CompactDatabase({}));
}

TEST_F(MaintenanceTest, WithLogDataOffMaintenanceLeavesNoEntry) {
  SetLogData(false);
  EXPECT_TRUE(DatabaseMaintenance::Instance().RunMaintenance());
  EXPECT_EQ(Count("Log"), 0);
}

TEST_F(MaintenanceTest, AfterStartUpEveryCompactionWaitsFirst) {
  std::vector<std::chrono::milliseconds> waits;
  DatabaseMaintenance::Instance().SetCompactionWait(
      [&](std::chrono::milliseconds delay) { waits.push_back(delay); });
  DatabaseMaintenance::Instance().SetStartupFinished();
  DatabaseMaintenance::Instance().RunMaintenance();
  DatabaseMaintenance::Instance().CompactDatabase(Database().File());
  EXPECT_EQ(waits, (std::vector<std::chrono::milliseconds>(2, std::chrono::milliseconds(3000))));
}

}  // namespace
}  // namespace orlentis::testing
