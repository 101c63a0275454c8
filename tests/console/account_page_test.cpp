#include "console/account_page.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QStringList>

#include "console/modal_dialogs.h"
#include "console/report_list.h"
#include "console/user_dialog.h"
#include "store/database_maintenance.h"
#include "support/store_rows.h"
#include "support/temp_database.h"

namespace orlentis::testing {
namespace {

QStringList Column(const ReportList& list, int column) {
  QStringList texts;
  for (int row = 0; row < list.RowCount(); ++row) texts << list.CellText(row, column);
  return texts;
}

class AccountPageTest : public ::testing::Test {
 protected:
  AccountPageTest() {
    DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
    bob_ = AddUser("bob", "bob-pw", GroupIdByName("Operator"), 0x001);
    AddUser("orphan", "orphan-pw", 999, 0x001);
    AddGroup("Empty", 4, 0x001);
  }

  std::unique_ptr<AccountPage> OpenPage(const ConsoleUser& user = {0x1FF, "Administrator"}) {
    auto page = std::make_unique<AccountPage>(user);
    page->SetMessageBox([this](const QString&, const QString& text) { messages_ << text; });
    page->SetQuestionBox([this](const QString&, const QString& text) {
      questions_ << text;
      return answer_;
    });
    page->Activate();
    return page;
  }

  static void SelectUser(AccountPage& page, const QString& name) {
    ReportList& users = page.UserList();
    users.clearSelection();
    for (int row = 0; row < users.RowCount(); ++row) {
      if (users.CellText(row, 0) == name) users.topLevelItem(row)->setSelected(true);
    }
  }

  TempDatabase database_;
  QObject scope_;
  UnexpectedDialogGuard guard_;
  QStringList messages_;
  QStringList questions_;
  bool answer_ = true;
  std::int32_t bob_ = 0;
};

TEST_F(AccountPageTest, ListsUsersWithTheirGroupAndGroupsByLevelWithTheirCounts) {
  const auto page = OpenPage();
  EXPECT_EQ(Column(page->UserList(), 0), QStringList({"Administrator", "bob"}));
  EXPECT_EQ(Column(page->UserList(), 1), QStringList({"Administrator", "Operator"}));
  EXPECT_EQ(Column(page->GroupList(), 0),
            QStringList({"Administrator", "Manager", "Operator", "Remote User", "Empty"}));
  EXPECT_EQ(Column(page->GroupList(), 1), QStringList({"1", "0", "1", "0", "0"}));
  // The user without a group is counted all the same.
  EXPECT_EQ(page->UserTotal(), "Total users : 3");
  EXPECT_EQ(page->GroupTotal(), "Total Groups : 5");
  EXPECT_TRUE(page->IsRefreshTimerRunning());
  page->Deactivate();
  EXPECT_FALSE(page->IsRefreshTimerRunning());
}

TEST_F(AccountPageTest, GroupSettingOnlyForTheGroupNamedExactlyAdministrator) {
  EXPECT_TRUE(OpenPage({0x1FF, "Administrator"})->GroupSettingButton().isEnabled());
  EXPECT_FALSE(OpenPage({0x1FF, "administrator"})->GroupSettingButton().isEnabled());
  const auto manager = OpenPage({0x0FF, "Manager"});
  EXPECT_FALSE(manager->GroupSettingButton().isEnabled());
  for (const char* name : {"add", "delete", "modify"}) {
    EXPECT_TRUE(manager->findChild<QPushButton*>(name)->isEnabled()) << name;
  }
  EXPECT_TRUE(manager->findChild<QPushButton*>("refresh")->isHidden());
}

TEST_F(AccountPageTest, ModifyAndDeleteWithoutASelectionSay119AndNothingElse) {
  const auto page = OpenPage();
  page->ModifySelectedUser();
  page->DeleteSelectedUser();
  EXPECT_EQ(messages_,
            QStringList({"Sorry, You must select a item", "Sorry, You must select a item"}));
  EXPECT_TRUE(questions_.isEmpty());
  EXPECT_EQ(CountRows("User"), 3);
}

TEST_F(AccountPageTest, DeleteAsksFirstAndNeverTouchesTheAdministrator) {
  ExecuteSql("UPDATE \"User\" SET strName = 'aDMINISTRATOR' WHERE strName = 'Administrator'");
  AddUserSite(bob_, AddSite("10.0.0.1", -1, "Lobby"), std::string(64, '1'));
  const auto page = OpenPage();
  SelectUser(*page, "aDMINISTRATOR");
  page->DeleteSelectedUser();
  EXPECT_TRUE(questions_.isEmpty());
  EXPECT_EQ(CountRows("User"), 3);

  SelectUser(*page, "bob");
  answer_ = false;
  page->DeleteSelectedUser();
  EXPECT_EQ(questions_, QStringList({"Are you sure to delete \" bob\""}));
  EXPECT_EQ(CountRows("User"), 3);

  answer_ = true;
  page->DeleteSelectedUser();
  EXPECT_EQ(CountRows("User"), 2);
  EXPECT_EQ(CountRows("UserSite"), 0);
  EXPECT_EQ(Column(page->UserList(), 0), QStringList({"aDMINISTRATOR"}));
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(AccountPageTest, ModifyOpensTheSelectedUserAndAddAnEmptyOne) {
  const auto page = OpenPage();
  SelectUser(*page, "bob");
  QString shownName;
  WhenModal<UserDialog>(&scope_, [&](UserDialog* dialog) {
    shownName = dialog->NameEdit().text();
    EXPECT_FALSE(dialog->NameEdit().isEnabled());
    dialog->DescriptionEdit().setText("night shift");
    dialog->accept();
  });
  page->ModifySelectedUser();
  EXPECT_EQ(shownName, "bob");
  // OK lists the users again.
  EXPECT_EQ(Column(page->UserList(), 2), QStringList({"", "night shift"}));

  WhenModal<UserDialog>(&scope_, [&](UserDialog* dialog) {
    shownName = dialog->NameEdit().text();
    EXPECT_TRUE(dialog->NameEdit().isEnabled());
    dialog->reject();
  });
  page->AddUser();
  EXPECT_EQ(shownName, "");
}

}  // namespace
}  // namespace orlentis::testing
