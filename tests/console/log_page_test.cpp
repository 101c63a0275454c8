#include "console/log_page.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "base/clock.h"
#include "console/door_waits.h"
#include "console/report_list.h"
#include "directory/log_entries.h"
#include "store/database_maintenance.h"
#include "support/base/temp_folder.h"
#include "support/store/store_rows.h"
#include "support/store/temp_database.h"

namespace orlentis::testing {
namespace {

std::time_t June(int day, int hour, int minute, int second) {
  return TimeFromOleDate(OleDateFromLocal(2024, 6, day, hour, minute, second));
}

QStringList Details(const ReportList& list) {
  QStringList details;
  for (int row = 0; row < list.RowCount(); ++row) details << list.CellText(row, 3);
  return details;
}

struct Message {
  QString caption;
  QString text;
};

class LogPageTest : public ::testing::Test {
 protected:
  LogPageTest() {
    DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
    AddLogEntryAt(June(12, 12, 0, 0), "Orlentis", "Login", "noon");
    AddLogEntryAt(June(11, 23, 59, 59), "Orlentis", "Start", "eve");
    AddLogEntryAt(June(12, 0, 0, 0), "site", "Site checkin", "midnight");
    AddLogEntryAt(June(12, 23, 59, 59), "Orlentis", "Login", "last second");
    AddLogEntryAt(June(13, 0, 0, 0), "Orlentis", "Login", "next day");
  }

  std::unique_ptr<LogPage> OpenPage(bool consoleRight, const LogLimits& limits = {}) {
    auto page = std::make_unique<LogPage>(door_, consoleRight, limits);
    page->SetMessageBox([this](const QString& caption, const QString& text) {
      messages_.push_back({caption, text});
    });
    page->SetSaveFileQuestion([this] {
      ++fileQuestions_;
      return exportFile_;
    });
    page->Activate();
    Settle(door_);
    return page;
  }

  TempDatabase database_;
  DirectoryDoor door_;
  std::vector<Message> messages_;
  QString exportFile_;
  int fileQuestions_ = 0;
};

TEST_F(LogPageTest, SearchListsWholeDaysAndShowingThePageAgainListsEverything) {
  auto page = OpenPage(true);
  EXPECT_EQ(Details(page->List()),
            (QStringList{"eve", "midnight", "noon", "last second", "next day"}));
  EXPECT_EQ(page->List().CellText(0, 0), "2024/06/11 23:59:59");

  page->SetSearchDays(QDate(2024, 6, 12), QDate(2024, 6, 12));
  page->Search();
  Settle(door_);
  EXPECT_EQ(Details(page->List()), (QStringList{"midnight", "noon", "last second"}));

  page->SetSearchDays(QDate(2024, 6, 13), QDate(2024, 6, 12));
  page->Search();
  Settle(door_);
  EXPECT_EQ(page->List().RowCount(), 0);

  page->Activate();

  Settle(door_);
  EXPECT_EQ(page->List().RowCount(), 5);
}

TEST_F(LogPageTest, DeletesTheTwoSelectedEntriesFromListAndLog) {
  auto page = OpenPage(true);
  page->List().topLevelItem(1)->setSelected(true);
  page->List().topLevelItem(3)->setSelected(true);
  page->DeleteSelected();
  Settle(door_);
  EXPECT_EQ(Details(page->List()), (QStringList{"eve", "noon", "next day"}));
  std::vector<std::string> left;
  for (const LogEntry& entry : ListLogEntries().ValueOr({})) left.push_back(entry.detail);
  EXPECT_EQ(left, (std::vector<std::string>{"eve", "noon", "next day"}));
}

TEST_F(LogPageTest, AfterAResortTheSelectedEntriesGoAndTheirTwinsStay) {
  AddLogEntryAt(June(12, 12, 0, 0), "Orlentis", "Login", "noon");
  auto page = OpenPage(true);
  page->List().SortByColumn(3, false);
  ASSERT_EQ(Details(page->List()),
            (QStringList{"noon", "noon", "next day", "midnight", "last second", "eve"}));
  for (const int row : {1, 2, 5}) page->List().topLevelItem(row)->setSelected(true);
  page->DeleteSelected();
  Settle(door_);
  EXPECT_EQ(Details(page->List()), (QStringList{"noon", "midnight", "last second"}));
  std::vector<std::string> left;
  for (const LogEntry& entry : ListLogEntries().ValueOr({})) left.push_back(entry.detail);
  EXPECT_EQ(left, (std::vector<std::string>{"midnight", "noon", "last second"}));
}

TEST_F(LogPageTest, BackupWritesEveryEntryAsALineOrSaysItCannot) {
  auto page = OpenPage(true);
  page->SetSearchDays(QDate(2024, 6, 13), QDate(2024, 6, 13));
  page->Search();  // the export covers the log, not the list
  Settle(door_);
  exportFile_ = QString::fromStdString((database_.Folder() / "LogMsg.txt").string());
  page->Backup();
  Settle(door_);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(ReadWholeFile(database_.Folder() / "LogMsg.txt"),
            "2024/06/11 23:59:59 Orlentis Start <eve>\r\n"
            "2024/06/12 00:00:00 site Site checkin <midnight>\r\n"
            "2024/06/12 12:00:00 Orlentis Login <noon>\r\n"
            "2024/06/12 23:59:59 Orlentis Login <last second>\r\n"
            "2024/06/13 00:00:00 Orlentis Login <next day>\r\n");

  exportFile_ = QString::fromStdString((database_.Folder() / "missing" / "LogMsg.txt").string());
  page->Backup();
  Settle(door_);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].caption, "I/O error!!!");
  EXPECT_EQ(messages_[0].text, "Write to log file error !!");

  exportFile_.clear();  // the question was cancelled
  page->Backup();
  Settle(door_);
  EXPECT_EQ(messages_.size(), 1u);
  EXPECT_EQ(fileQuestions_, 3);
}

// Neither the database nor a previous export is ever replaced by the Backup.
TEST_F(LogPageTest, BackupRefusesTheDatabasesFilesAndWritesNothingWhileTheLogCannotBeRead) {
  auto page = OpenPage(true);
  TempFolder elsewhere;
  std::filesystem::create_symlink(database_.File(), elsewhere / "LogMsg.txt");
  struct stat before {};
  ASSERT_EQ(::stat(database_.File().c_str(), &before), 0);
  for (const std::filesystem::path& target : {database_.File(), elsewhere / "LogMsg.txt"}) {
    exportFile_ = QString::fromStdString(target.string());
    page->Backup();
    Settle(door_);
  }
  ASSERT_EQ(messages_.size(), 2u);
  for (const Message& message : messages_) {
    EXPECT_EQ(message.text, "The database's own files cannot take the log. Choose another file.");
  }
  struct stat after {};
  ASSERT_EQ(::stat(database_.File().c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_size, before.st_size);
  EXPECT_EQ(std::filesystem::read_symlink(elsewhere / "LogMsg.txt"), database_.File());
  EXPECT_EQ(ListLogEntries().ValueOr({}).size(), 5u);

  const std::filesystem::path previous = database_.Folder() / "LogMsg.txt";
  WriteWholeFile(previous, "the previous export\r\n");
  exportFile_ = QString::fromStdString(previous.string());
  DatabaseMaintenance::Instance().MarkUnusable("the test marks it so");
  page->Backup();
  Settle(door_);
  DatabaseMaintenance::Instance().MarkUsable();
  ExecuteSql("DROP TABLE Log");
  page->Backup();
  Settle(door_);
  ASSERT_EQ(messages_.size(), 4u);
  EXPECT_EQ(messages_[2].text,
            "The database is unavailable at the moment: the log was not written, and the file "
            "is as it was.");
  EXPECT_EQ(messages_[3].text,
            "The log could not be read from the database: it was not written, and the file is "
            "as it was.");
  EXPECT_EQ(ReadWholeFile(previous), "the previous export\r\n");
}

TEST_F(LogPageTest, WithoutTheConsoleRightOnlySearchingIsOpen) {
  auto page = OpenPage(false);
  for (const char* name : {"records", "days", "recordsMode", "daysMode", "delete", "backup"}) {
    EXPECT_FALSE(page->findChild<QWidget*>(name)->isEnabled()) << name;
  }
  EXPECT_TRUE(page->findChild<QWidget*>("search")->isEnabled());
  EXPECT_EQ(page->List().RowCount(), 5);

  page->List().topLevelItem(0)->setSelected(true);
  page->DeleteSelected();
  Settle(door_);
  page->Backup();
  Settle(door_);
  EXPECT_EQ(page->List().RowCount(), 5);
  EXPECT_EQ(ListLogEntries().ValueOr({}).size(), 5u);
  EXPECT_EQ(fileQuestions_, 0);
}

TEST_F(LogPageTest, LimitsComeBackAsEdited) {
  auto page = OpenPage(true, {500, 7, 1});
  EXPECT_TRUE(page->findChild<QRadioButton*>("daysMode")->isChecked());
  EXPECT_FALSE(page->findChild<QRadioButton*>("recordsMode")->isChecked());
  EXPECT_EQ(page->Limits(), (LogLimits{500, 7, 1}));

  page->findChild<QRadioButton*>("recordsMode")->click();
  page->findChild<QLineEdit*>("records")->setText("2500");
  page->findChild<QLineEdit*>("days")->clear();
  EXPECT_EQ(page->Limits(), (LogLimits{2500, 7, 0}));
  // Reading the controls for a fill refuses the empty count.
  page->Activate();
  Settle(door_);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, "Please enter an integer.");
}

}  // namespace
}  // namespace orlentis::testing
