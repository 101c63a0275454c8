#include "console/group_list_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "console/authority_frame.h"
#include "console/door_waits.h"
#include "console/group_dialog.h"
#include "modal_dialogs.h"
#include "store/database_maintenance.h"
#include "support/store/store_rows.h"
#include "support/store/temp_database.h"

namespace orlentis::testing {
namespace {

QStringList Names(QListWidget& list) {
  QStringList names;
  for (int row = 0; row < list.count(); ++row) names << list.item(row)->text();
  return names;
}

std::vector<std::int32_t> StoredLevels() {
  std::vector<std::int32_t> levels;
  for (const GroupEntry& group : ListGroups().ValueOr({})) levels.push_back(group.level);
  return levels;
}

class GroupListDialogTest : public ::testing::Test {
 protected:
  GroupListDialogTest() {
    DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
  }

  // Night shift in the middle of the default groups, Day shift last.
  void AddShifts() {
    testing::AddGroup("Night shift", 3, 0x005);
    ExecuteSql("UPDATE \"Group\" SET nLevel = 9 WHERE strName = 'Remote User'");
    testing::AddGroup("Day shift", 10, 0x001);
  }

  std::unique_ptr<GroupListDialog> Open(const ConsoleUser& user = {0x1FF, "Administrator"}) {
    auto dialog = std::make_unique<GroupListDialog>(door_, Asker::Console(user));
    dialog->SetMessageBox([this](const QString&, const QString& text) { messages_ << text; });
    dialog->show();
    Settle(door_);
    return dialog;
  }

  TempDatabase database_;
  DirectoryDoor door_;
  UnexpectedDialogGuard guard_;
  QStringList messages_;
};

TEST_F(GroupListDialogTest, OpeningListsTheGroupsInOrderRenumbered) {
  ExecuteSql("DELETE FROM \"Group\" WHERE strName = 'Remote User'");
  ExecuteSql("UPDATE \"Group\" SET nLevel = 5 WHERE strName = 'Manager'");
  ExecuteSql("UPDATE \"Group\" SET nLevel = 9 WHERE strName = 'Operator'");
  auto dialog = Open();
  EXPECT_EQ(Names(dialog->List()), (QStringList{"Administrator", "Manager", "Operator"}));
  EXPECT_EQ(StoredLevels(), (std::vector<std::int32_t>{0, 1, 2}));
  EXPECT_EQ(dialog->SelectedRow(), -1);
}

TEST_F(GroupListDialogTest, MovesKeepTheMovedGroupSelected) {
  AddShifts();
  auto dialog = Open();
  dialog->SelectRow(3);
  dialog->Increase();
  Settle(door_);
  EXPECT_EQ(Names(dialog->List()), (QStringList{"Administrator", "Manager", "Night shift",
                                                "Operator", "Remote User", "Day shift"}));
  EXPECT_EQ(dialog->SelectedRow(), 2);
  EXPECT_EQ(dialog->NameDisplay().text(), "Night shift");
  EXPECT_EQ(StoredLevels(), (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5}));

  // Position 1 never moves up, the last never down; the selection stays.
  const QStringList order = Names(dialog->List());
  dialog->SelectRow(1);
  dialog->Increase();
  Settle(door_);
  EXPECT_EQ(dialog->SelectedRow(), 1);
  dialog->SelectRow(5);
  dialog->Decrease();
  Settle(door_);
  EXPECT_EQ(dialog->SelectedRow(), 5);
  EXPECT_EQ(Names(dialog->List()), order);

  dialog->SelectRow(4);
  dialog->Decrease();
  Settle(door_);
  EXPECT_EQ(dialog->SelectedRow(), 5);
  EXPECT_EQ(dialog->List().item(5)->text(), "Remote User");
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(GroupListDialogTest, DeleteSelectsTheNextGroupOrTheNewLast) {
  AddShifts();
  auto dialog = Open();
  dialog->SelectRow(3);
  dialog->Delete();
  Settle(door_);
  EXPECT_EQ(Names(dialog->List()),
            (QStringList{"Administrator", "Manager", "Operator", "Remote User", "Day shift"}));
  EXPECT_EQ(dialog->SelectedRow(), 3);
  EXPECT_EQ(dialog->NameDisplay().text(), "Remote User");

  dialog->SelectRow(4);
  dialog->Delete();
  Settle(door_);
  EXPECT_EQ(dialog->List().count(), 4);
  EXPECT_EQ(dialog->SelectedRow(), 3);
  EXPECT_EQ(StoredLevels(), (std::vector<std::int32_t>{0, 1, 2, 3}));
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(GroupListDialogTest, DefaultGroupsAndNoSelectionPassWithoutAWord) {
  ExecuteSql("UPDATE \"Group\" SET strName = 'operator' WHERE strName = 'Operator'");
  auto dialog = Open();
  const QStringList order = Names(dialog->List());
  dialog->Modify();
  Settle(door_);
  dialog->Delete();
  Settle(door_);
  dialog->SelectRow(2);
  ASSERT_EQ(dialog->List().currentItem()->text(), "operator");
  dialog->Modify();  // the guard fails the test if a group dialog opens
  Settle(door_);
  dialog->Delete();
  Settle(door_);
  EXPECT_EQ(Names(dialog->List()), order);
  EXPECT_EQ(ListGroups().ValueOr({}).size(), 4u);
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(GroupListDialogTest, TheDisplayAreaOnlyShowsTheSelectedGroup) {
  AddShifts();
  auto dialog = Open();
  dialog->SelectRow(3);
  AuthorityFrame& shown = dialog->AuthorityDisplay();
  EXPECT_EQ(shown.Authority(), 0x005u);
  EXPECT_FALSE(dialog->NameDisplay().isEnabled());
  QTest::mouseClick(&shown.Box(1), Qt::LeftButton);
  QTest::mouseClick(&shown.Box(2), Qt::LeftButton);
  QTest::keyClicks(&dialog->NameDisplay(), "x");
  EXPECT_EQ(shown.Authority(), 0x005u);
  EXPECT_EQ(dialog->NameDisplay().text(), "Night shift");
}

TEST_F(GroupListDialogTest, AddAndModifyGoThroughTheGroupDialog) {
  AddShifts();
  auto dialog = Open();
  WhenModal<GroupDialog>(dialog.get(), [](GroupDialog* added) {
    added->NameField().setText("Evening shift");
    added->accept();
  });
  dialog->Add();
  Settle(door_);
  EXPECT_EQ(dialog->List().item(6)->text(), "Evening shift");

  dialog->SelectRow(3);
  WhenModal<GroupDialog>(dialog.get(), [](GroupDialog* modified) {
    EXPECT_EQ(modified->NameField().text(), "Night shift");
    modified->Authority().Box(0).setChecked(false);
    modified->accept();
  });
  dialog->Modify();
  Settle(door_);
  EXPECT_EQ(dialog->SelectedRow(), 3);
  EXPECT_EQ(dialog->AuthorityDisplay().Authority(), 0x004u);
}

// The dialog keeps no rule of its own: the directory refuses whoever is outside the
// Administrator group, and the dialog says so, lists nothing and renumbers nothing.
TEST_F(GroupListDialogTest, ShowsTheDirectorysRefusalToAnyoneElse) {
  ExecuteSql("UPDATE \"Group\" SET nLevel = nLevel * 2");
  auto dialog = Open({0x1FF, "Manager"});
  EXPECT_EQ(messages_,
            QStringList{"Only the members of the Administrator group may change the groups."});
  EXPECT_EQ(dialog->List().count(), 0);
  EXPECT_EQ(StoredLevels(), (std::vector<std::int32_t>{0, 2, 4, 6}));
}

}  // namespace
}  // namespace orlentis::testing
