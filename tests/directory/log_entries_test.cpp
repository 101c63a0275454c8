#include "directory/log_entries.h"

#include <gtest/gtest.h>

#include "base/clock.h"
#include "base/program_folder.h"
#include "store/database_maintenance.h"
#include "support/base/temp_folder.h"
#include "support/store/store_rows.h"
#include "support/store/temp_database.h"

namespace orlentis::testing {
namespace {

using std::chrono::day;
using std::chrono::month;
using std::chrono::year;
using std::chrono::year_month_day;

std::time_t At(int day, int hour, int minute, int second) {
  return TimeFromOleDate(OleDateFromLocal(2024, 6, day, hour, minute, second));
}

year_month_day June(unsigned dayOfMonth) {
  return year_month_day(year(2024), month(6), day(dayOfMonth));
}

std::vector<std::string> Details(const std::vector<LogEntry>& entries) {
  std::vector<std::string> details;
  for (const LogEntry& entry : entries) details.push_back(entry.detail);
  return details;
}

class LogEntriesTest : public ::testing::Test {
 protected:
  LogEntriesTest() {
    DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
    // Written out of time order: every list comes oldest first all the same.
    AddLogEntryAt(At(12, 12, 0, 0), "Orlentis", "Login", "noon");
    AddLogEntryAt(At(11, 23, 59, 59), "Orlentis", "Start", "eve");
    AddLogEntryAt(At(12, 0, 0, 0), "site", "Site checkin", "midnight");
    AddLogEntryAt(At(12, 23, 59, 59), "Orlentis", "Login", "last second");
    AddLogEntryAt(At(13, 0, 0, 0), "Orlentis", "Login", "next day");
  }

  TempDatabase database_;
};

TEST_F(LogEntriesTest, SearchTakesBothDaysWhole) {
  EXPECT_EQ(Details(*ListLogEntriesBetween(June(12), June(12)).value),
            (std::vector<std::string>{"midnight", "noon", "last second"}));
  EXPECT_EQ(Details(*ListLogEntriesBetween(June(11), June(13)).value).size(), 5u);
  const auto inverted = ListLogEntriesBetween(June(13), June(12));
  ASSERT_TRUE(inverted.Done());
  EXPECT_TRUE(inverted.value->empty());
}

TEST_F(LogEntriesTest, OfTwoIdenticalEntriesOnlyTheSelectedOneIsDeleted) {
  AddLogEntryAt(At(12, 12, 0, 0), "Orlentis", "Login", "noon");
  const std::vector<LogEntry> all = *ListLogEntries().value;
  ASSERT_EQ(Details(all), (std::vector<std::string>{"eve", "midnight", "noon", "noon",
                                                    "last second", "next day"}));
  const auto deleted = DeleteLogEntries({all[3].key});
  ASSERT_TRUE(deleted.Done());
  EXPECT_EQ(*deleted.value, 1u);
  const std::vector<LogEntry> left = *ListLogEntries().value;
  ASSERT_EQ(left.size(), 5u);
  EXPECT_EQ(left[2], all[2]);
}

TEST_F(LogEntriesTest, EntriesSelectedInAnyOrderAreAllDeleted) {
  const std::vector<LogEntry> all = *ListLogEntries().value;
  // As a list sorted newest first gives them.
  EXPECT_EQ(*DeleteLogEntries({all[4].key, all[2].key, all[0].key}).value, 3u);
  EXPECT_EQ(Details(*ListLogEntries().value),
            (std::vector<std::string>{"midnight", "last second"}));
}

TEST_F(LogEntriesTest, AnEntryDeletedMeanwhileIsNotCountedAndNothingElseGoes) {
  const std::vector<LogEntry> all = *ListLogEntries().value;
  EXPECT_EQ(*DeleteLogEntries({all[1].key}).value, 1u);
  EXPECT_EQ(*DeleteLogEntries({all[1].key, all[3].key}).value, 1u);
  EXPECT_EQ(Details(*ListLogEntries().value),
            (std::vector<std::string>{"eve", "noon", "next day"}));
}

TEST_F(LogEntriesTest, ExportWritesTheWholeLogAsLines) {
  const std::filesystem::path file = database_.Folder() / "LogMsg.txt";
  WriteWholeFile(file, "an older, longer export that must disappear entirely\r\n");
  ASSERT_TRUE(ExportLog(file).Written());
  EXPECT_EQ(ReadWholeFile(file),
            "2024/06/11 23:59:59 Orlentis Start <eve>\r\n"
            "2024/06/12 00:00:00 site Site checkin <midnight>\r\n"
            "2024/06/12 12:00:00 Orlentis Login <noon>\r\n"
            "2024/06/12 23:59:59 Orlentis Login <last second>\r\n"
            "2024/06/13 00:00:00 Orlentis Login <next day>\r\n");
}

// Whatever path names the database's files, the export neither replaces them nor opens them;
// a file of the same name elsewhere is any other file.
TEST_F(LogEntriesTest, ExportRefusesTheDatabasesOwnFilesHoweverTheyAreNamed) {
  const std::filesystem::path folder = database_.Folder();
  TempFolder elsewhere;
  std::filesystem::create_directory_symlink(folder, elsewhere / "linked");
  std::filesystem::create_symlink(folder / "OrlentisDB.db-journal", elsewhere / "dangling");
  std::filesystem::create_hard_link(database_.File(), elsewhere / "second-name.db");
  ASSERT_TRUE(std::filesystem::exists(folder / "OrlentisDB.db-wal"));
  const std::vector<std::filesystem::path> spellings = {
      database_.File(),
      folder / ".." / folder.filename() / "." / "OrlentisDB.db-wal",
      elsewhere / "linked" / "OrlentisDB.db-shm",
      elsewhere / "linked" / "Temp.db",
      elsewhere / "dangling",
      std::filesystem::relative(folder / "OrlentisDB.db-journal"),
      elsewhere / "second-name.db",
      ProgramFolder() / "Orlentis.lock",
  };
  for (const std::filesystem::path& spelling : spellings) {
    EXPECT_EQ(ExportLog(spelling).outcome, LogExport::Outcome::kDatabaseFile) << spelling;
  }
  for (const char* name : {"Temp.db", "OrlentisDB.db-journal", "OrlentisDB.db.new"}) {
    EXPECT_FALSE(std::filesystem::exists(folder / name)) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(ProgramFolder() / "Orlentis.lock"));
  EXPECT_EQ(ListLogEntries().ValueOr({}).size(), 5u);
  EXPECT_TRUE(ExportLog(elsewhere / "OrlentisDB.db").Written());
  EXPECT_TRUE(ExportLog(folder / "OrlentisDB.db-wal.txt").Written());
}

}  // namespace
}  // namespace orlentis::testing
