#include "console/user_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "console/add_site_dialog.h"
#include "console/authority_frame.h"
#include "console/door_waits.h"
#include "console/image_button.h"
#include "console/ip_address_field.h"
#include "console/modal_dialogs.h"
#include "console/permission_tree_view.h"
#include "directory/console_login.h"
#include "support/store/store_rows.h"
#include "support/store/temp_database.h"

namespace orlentis::testing {
namespace {

std::uint32_t EnabledBoxes(UserDialog& dialog) {
  std::uint32_t bits = 0;
  for (int bit = 0; bit < 9; ++bit) bits |= dialog.Authority().Box(bit).isEnabled() ? 1U << bit : 0;
  return bits;
}

// A click on the item's check box, as the keyboard gives it.
void ClickCheckBox(PermissionTreeView& view, QTreeWidgetItem* item) {
  view.setCurrentItem(item);
  QTest::keyClick(&view, Qt::Key_Space);
}

bool IsChecked(const QTreeWidgetItem* item) {
  return item->checkState(0) == Qt::Checked;
}

// Lobby speaks the record protocol (sixteen cameras whatever its rows say); Yard, on line, is
// instance 0 of a host that reports cameras 0 and 5; Bare has no cameras; Hidden, instance 4,
// is never listed.
class UserDialogTest : public ::testing::Test {
 protected:
  UserDialogTest() {
    lobby_ = AddSite("10.0.0.1", -1, "Lobby");
    const std::int32_t yard = AddSite("10.0.0.2", 0, "Yard");
    AddSite("10.0.0.2", 4, "Hidden");
    AddSite("10.0.0.3", 0, "Bare");
    SetSiteOnline(yard, 80, 0);
    AddCamera(yard, 0, true, 0, "Gate");
    AddCamera(yard, 1, false, 0, "Old");
    AddCamera(yard, 5, true, 0, "Dock");
    AddUserSite(AddUser("bob", "bob-pw", GroupIdByName("Operator"), 0x105), lobby_,
                std::string(64, '1'));
  }

  std::unique_ptr<UserDialog> Open(UserFormMode mode, const std::string& user = {}) {
    auto dialog = std::make_unique<UserDialog>(door_, mode);
    dialog->SetMessageBox([this](const QString&, const QString& text) { messages_ << text; });
    if (!user.empty()) dialog->LoadUser(ReadUser(user).user);
    Settle(door_);
    return dialog;
  }

  // OK, and whatever the save then does.
  void Ok(UserDialog& dialog) {
    dialog.accept();
    Settle(door_);
  }

  static void Fill(UserDialog& dialog, const QString& group, const QString& password,
                   const QString& confirmation) {
    dialog.NameEdit().setText("carol");
    dialog.GroupDropDown().setCurrentIndex(dialog.GroupDropDown().findText(group));
    dialog.PasswordEdit().setText(password);
    dialog.ConfirmationEdit().setText(confirmation);
  }

  TempDatabase database_;
  DirectoryDoor door_;
  QObject scope_;
  QStringList messages_;
  std::int32_t lobby_ = 0;
};

TEST_F(UserDialogTest, ModifyShowsThePlaceholderAndTheUsersRightsInTheBoxesOfItsGroup) {
  const auto dialog = Open(UserFormMode::kModify, "bob");
  EXPECT_FALSE(dialog->NameEdit().isEnabled());
  EXPECT_EQ(dialog->PasswordEdit().text(), "********");
  EXPECT_EQ(dialog->ConfirmationEdit().text(), "********");
  EXPECT_EQ(dialog->Authority().Authority(), 0x105u);
  EXPECT_EQ(EnabledBoxes(*dialog), 0x047u);  // Operator's: Privacy Mask stays, unchangeable
  Ok(*dialog);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_TRUE(ConsoleLogin("bob", "bob-pw").has_value()) << "the placeholder keeps the password";
}

TEST_F(UserDialogTest, AGroupOf0x003EnablesAndChecksExactlyTwoBoxes) {
  AddGroup("Pair", 4, 0x003);
  const auto dialog = Open(UserFormMode::kAdd);
  EXPECT_EQ(EnabledBoxes(*dialog), 0x1FFu);  // the first group, Administrator's
  Fill(*dialog, "Pair", "", "");
  EXPECT_EQ(EnabledBoxes(*dialog), 0x003u);
  EXPECT_EQ(dialog->Authority().Authority(), 0x003u);
}

TEST_F(UserDialogTest, AddModeListsSitesUpToInstance3WithEveryCameraCleared) {
  const auto dialog = Open(UserFormMode::kAdd);
  PermissionTreeView& tree = dialog->Tree();
  ASSERT_EQ(tree.topLevelItemCount(), 3);
  EXPECT_EQ(tree.SiteItem(0)->text(0), "10.0.0.1 Lobby (Off-line)");
  EXPECT_EQ(tree.SiteItem(1)->text(0), "10.0.0.2 - 1 Yard (On-line)");
  EXPECT_EQ(tree.SiteItem(2)->text(0), "10.0.0.3 - 1 Bare (Off-line)");
  ASSERT_EQ(tree.SiteItem(0)->childCount(), 16);
  EXPECT_EQ(tree.CameraItem(0, 15)->text(0), "Camera 16");
  ASSERT_EQ(tree.SiteItem(1)->childCount(), 2);
  EXPECT_EQ(tree.CameraItem(1, 1)->text(0), "Dock");
  for (QTreeWidgetItemIterator item(&tree); *item != nullptr; ++item) {
    EXPECT_FALSE(IsChecked(*item)) << (*item)->text(0).toStdString();
  }
}

TEST_F(UserDialogTest, CheckBoxClicksFollowTheTreesRulesAndOkStoresWhatTheyShow) {
  const auto dialog = Open(UserFormMode::kAdd);
  PermissionTreeView& tree = dialog->Tree();
  ClickCheckBox(tree, tree.CameraItem(1, 1));  // Dock checks Yard
  EXPECT_TRUE(IsChecked(tree.SiteItem(1)));
  ClickCheckBox(tree, tree.SiteItem(1));  // clears Yard with its cameras
  EXPECT_FALSE(IsChecked(tree.CameraItem(1, 1)));
  ClickCheckBox(tree, tree.SiteItem(1));  // checks them all
  ClickCheckBox(tree, tree.CameraItem(1, 0));
  EXPECT_TRUE(IsChecked(tree.SiteItem(1))) << "Dock still checked";
  ClickCheckBox(tree, tree.CameraItem(0, 2));
  ClickCheckBox(tree, tree.SiteItem(2));  // no cameras, nothing to check
  EXPECT_FALSE(IsChecked(tree.SiteItem(2)));

  Fill(*dialog, "Operator", "pw", "pw");
  Ok(*dialog);
  ASSERT_EQ(dialog->result(), QDialog::Accepted) << messages_.join('\n').toStdString();
  const UserAccount carol = ReadUser("carol").user;
  ASSERT_EQ(carol.siteRights.size(), 3u);
  EXPECT_EQ(carol.siteRights[0].cameraAuthority, "001" + std::string(61, '0'));
  EXPECT_EQ(carol.siteRights[1].cameraAuthority, "000001" + std::string(58, '0'));
  EXPECT_EQ(carol.siteRights[2].cameraAuthority, std::string(64, '0'));
}

TEST_F(UserDialogTest, TheAdministratorsTreeIsLockedWithEveryCameraPermitted) {
  const auto dialog = Open(UserFormMode::kModify, "Administrator");
  EXPECT_FALSE(dialog->GroupDropDown().isEnabled());
  PermissionTreeView& tree = dialog->Tree();
  EXPECT_FALSE(tree.CameraItem(1, 0)->flags() & Qt::ItemIsUserCheckable);
  ClickCheckBox(tree, tree.CameraItem(1, 0));
  ClickCheckBox(tree, tree.SiteItem(0));
  EXPECT_TRUE(IsChecked(tree.CameraItem(1, 0)));
  EXPECT_TRUE(IsChecked(tree.CameraItem(0, 0)));
}

TEST_F(UserDialogTest, RemoveOnlyForAnOffLineSiteAndNeverRightAfterARebuild) {
  const auto dialog = Open(UserFormMode::kAdd);
  PermissionTreeView& tree = dialog->Tree();
  tree.setCurrentItem(tree.CameraItem(1, 0));
  EXPECT_FALSE(dialog->RemoveButton().isEnabled()) << "Yard is on line";
  tree.setCurrentItem(tree.CameraItem(0, 3));
  EXPECT_TRUE(dialog->RemoveButton().isEnabled());
  WhenModal<AddSiteDialog>(&scope_, [](AddSiteDialog* added) {
    added->AddressField().SetText("10.0.0.9");
    added->accept();
  });
  dialog->AddButton().click();
  Settle(door_);
  EXPECT_EQ(tree.topLevelItemCount(), 4);
  EXPECT_FALSE(dialog->RemoveButton().isEnabled());

  tree.setCurrentItem(tree.SiteItem(0));
  dialog->RemoveButton().click();
  Settle(door_);
  ASSERT_EQ(tree.topLevelItemCount(), 3);
  EXPECT_EQ(tree.SiteItem(0)->text(0), "10.0.0.2 - 1 Yard (On-line)");
  EXPECT_EQ(CountRows("UserSite"), 0) << "bob's permission for Lobby went with it";
  EXPECT_FALSE(dialog->RemoveButton().isEnabled());
}

TEST_F(UserDialogTest, ARefusalWithAReasonKeepsTheDialogOpen) {
  AddGroup("Pair", 4, 0x003);
  const auto dialog = Open(UserFormMode::kAdd);
  Fill(*dialog, "Pair", "one", "two");
  Ok(*dialog);
  ExecuteSql("DELETE FROM \"Group\" WHERE strName = 'Pair'");
  Fill(*dialog, "Pair", "pw", "pw");
  Ok(*dialog);
  EXPECT_EQ(dialog->GroupDropDown().findText("Pair"), -1) << "the gone group leaves the list";
  EXPECT_EQ(messages_,
            QStringList({"Sorry, passwords do not match", "The group Pair no longer exists."}));
  EXPECT_NE(dialog->result(), QDialog::Accepted);
}

}  // namespace
}  // namespace orlentis::testing
