#include "console/account_page.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>

#include "console/door_waits.h"
#include "console/group_list_dialog.h"
#include "console/modal_dialogs.h"
#include "console/report_list.h"
#include "console/user_dialog.h"
#include "support/store/store_rows.h"
#include "support/store/temp_database.h"

namespace orlentis::testing {
namespace {

class AccountPageTest : public ::testing::Test {
 protected:
  AccountPageTest() { bob_ = AddUser("bob", "bob-pw", GroupIdByName("Operator"), 0x001); }

  std::unique_ptr<AccountPage> OpenPage(const ConsoleUser& user = {0x1FF, "Administrator"}) {
    auto page = std::make_unique<AccountPage>(door_, user);
    page->SetMessageBox([this](const QString&, const QString& text) { messages_ << text; });
    page->SetQuestionBox([this](const QString&, const QString& text) {
      questions_ << text;
      return answer_;
    });
    page->Activate();
    Settle(door_);
    return page;
  }

  static void SelectUser(AccountPage& page, const QString& name) {
    ReportList& users = page.UserList();
    for (int row = 0; row < users.RowCount(); ++row) {
      users.topLevelItem(row)->setSelected(users.CellText(row, 0) == name);
    }
  }

  TempDatabase database_;
  DirectoryDoor door_;
  QObject scope_;
  UnexpectedDialogGuard guard_;
  QStringList messages_;
  QStringList questions_;
  bool answer_ = true;
  std::int32_t bob_ = 0;
};

TEST_F(AccountPageTest, GroupSettingOnlyForTheGroupNamedExactlyAdministrator) {
  EXPECT_FALSE(OpenPage({0x1FF, "administrator"})->GroupSettingButton().isEnabled());
  const auto page = OpenPage({0x0FF, "Administrator"});
  EXPECT_TRUE(page->findChild<QPushButton*>("refresh")->isHidden());
  bool opened = false;
  WhenModal<GroupListDialog>(&scope_, [&](GroupListDialog* dialog) {
    opened = true;
    dialog->reject();
  });
  page->GroupSettingButton().click();
  EXPECT_TRUE(opened);
}

TEST_F(AccountPageTest, ModifyAndDeleteWithoutASelectionSay119AndNothingElse) {
  const auto page = OpenPage();
  page->ModifySelectedUser();  // a user dialog would be caught by the guard
  Settle(door_);
  page->DeleteSelectedUser();
  Settle(door_);
  EXPECT_EQ(messages_, QStringList(2, "Sorry, You must select a item"));
  EXPECT_TRUE(questions_.isEmpty());
  EXPECT_EQ(CountRows("User"), 2);
}

TEST_F(AccountPageTest, DeleteAsksFirstAndNeverTouchesTheAdministrator) {
  ExecuteSql("UPDATE \"User\" SET strName = 'aDMINISTRATOR' WHERE strName = 'Administrator'");
  AddUserSite(bob_, AddSite("10.0.0.1", -1, "Lobby"), std::string(64, '1'));
  const auto page = OpenPage();
  SelectUser(*page, "aDMINISTRATOR");
  page->DeleteSelectedUser();
  Settle(door_);
  EXPECT_TRUE(questions_.isEmpty());

  SelectUser(*page, "bob");
  answer_ = false;
  page->DeleteSelectedUser();
  Settle(door_);
  EXPECT_EQ(CountRows("User"), 2);
  answer_ = true;
  page->DeleteSelectedUser();
  Settle(door_);
  EXPECT_EQ(questions_, QStringList(2, "Are you sure to delete \" bob\""));
  EXPECT_EQ(CountRows("User"), 1);
  EXPECT_EQ(CountRows("UserSite"), 0);
  ASSERT_EQ(page->UserList().RowCount(), 1);
  EXPECT_EQ(page->UserTotal(), "Total users : 1");
}

TEST_F(AccountPageTest, ModifyOpensTheSelectedUserAndOkListsTheUsersAgain) {
  const auto page = OpenPage();
  SelectUser(*page, "bob");
  WhenModal<UserDialog>(&scope_, [&](UserDialog* dialog) {
    Settle(door_);  // the dialog reads its groups and tree
    EXPECT_EQ(dialog->NameEdit().text(), "bob");
    EXPECT_EQ(dialog->GroupDropDown().currentText(), "Operator");
    dialog->DescriptionEdit().setText("night shift");
    dialog->accept();
  });
  page->ModifySelectedUser();
  Settle(door_);
  EXPECT_EQ(page->UserList().CellText(1, 2), "night shift");
  EXPECT_TRUE(messages_.isEmpty());
}

}  // namespace
}  // namespace orlentis::testing
