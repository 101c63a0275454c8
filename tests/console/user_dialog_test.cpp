#include "console/user_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "console/image_button.h"
#include "console/permission_tree_view.h"
#include "directory/console_login.h"
#include "store/database_maintenance.h"
#include "support/store_rows.h"
#include "support/temp_database.h"

namespace orlentis::testing {
namespace {

const std::string kAll(64, '1');
const std::string kNone(64, '0');

std::uint32_t BoxBits(UserDialog& dialog, bool (QCheckBox::*state)() const) {
  std::uint32_t bits = 0;
  for (int bit = 0; bit < 9; ++bit) {
    if ((dialog.AuthorityBox(bit).*state)()) bits |= 1U << bit;
  }
  return bits;
}

QStringList Labels(const QTreeWidgetItem& parent) {
  QStringList labels;
  for (int child = 0; child < parent.childCount(); ++child) labels << parent.child(child)->text(0);
  return labels;
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
    DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
    lobby_ = AddSite("10.0.0.1", -1, "Lobby");
    yard_ = AddSite("10.0.0.2", 0, "Yard");
    AddSite("10.0.0.2", 4, "Hidden");
    bare_ = AddSite("10.0.0.3", 0, "Bare");
    SetSiteOnline(yard_, 80, 0);
    AddCamera(yard_, 0, true, 0, "Gate");
    AddCamera(yard_, 1, false, 0, "Old");
    AddCamera(yard_, 5, true, 0, "Dock");
    bob_ = AddUser("bob", "bob-pw", GroupIdByName("Operator"), 0x105);
    AddUserSite(bob_, lobby_, kAll);
  }

  std::unique_ptr<UserDialog> Open(UserFormMode mode, const std::string& user = {}) {
    auto dialog = std::make_unique<UserDialog>(mode);
    dialog->SetMessageBox([this](const QString&, const QString& text) { messages_ << text; });
    if (!user.empty()) dialog->LoadUser(ReadUser(user).user);
    return dialog;
  }

  static void Choose(UserDialog& dialog, const QString& group) {
    dialog.GroupDropDown().setCurrentIndex(dialog.GroupDropDown().findText(group));
  }

  static void Fill(UserDialog& dialog, const QString& name, const QString& password,
                   const QString& confirmation) {
    dialog.NameEdit().setText(name);
    dialog.PasswordEdit().setText(password);
    dialog.ConfirmationEdit().setText(confirmation);
  }

  TempDatabase database_;
  QStringList messages_;
  std::int32_t lobby_ = 0;
  std::int32_t yard_ = 0;
  std::int32_t bare_ = 0;
  std::int32_t bob_ = 0;
};

TEST_F(UserDialogTest, ModifyShowsThePlaceholderAndTheUsersRightsInTheBoxesOfItsGroup) {
  const auto dialog = Open(UserFormMode::kModify, "bob");
  EXPECT_EQ(dialog->windowTitle(), "Modify User");
  EXPECT_FALSE(dialog->NameEdit().isEnabled());
  EXPECT_EQ(dialog->PasswordEdit().text(), "********");
  EXPECT_EQ(dialog->ConfirmationEdit().text(), "********");
  EXPECT_EQ(dialog->GroupDropDown().currentText(), "Operator");
  EXPECT_EQ(BoxBits(*dialog, &QCheckBox::isChecked), 0x105u);
  EXPECT_EQ(BoxBits(*dialog, &QCheckBox::isEnabled), 0x047u);  // Privacy Mask checked, locked

  dialog->accept();
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_TRUE(ConsoleLogin("bob", "bob-pw").has_value()) << "the placeholder keeps the password";
  EXPECT_EQ(ReadUser("bob").user.authority, 0x105u);
}

TEST_F(UserDialogTest, AGroupOf0x003EnablesAndChecksExactlyTwoBoxes) {
  AddGroup("Pair", 4, 0x003);
  const auto dialog = Open(UserFormMode::kAdd);
  EXPECT_EQ(dialog->windowTitle(), "Add User");
  EXPECT_EQ(dialog->GroupDropDown().currentText(), "Administrator");
  EXPECT_EQ(BoxBits(*dialog, &QCheckBox::isEnabled), 0x1FFu);
  Choose(*dialog, "Pair");
  EXPECT_EQ(BoxBits(*dialog, &QCheckBox::isEnabled), 0x003u);
  EXPECT_EQ(BoxBits(*dialog, &QCheckBox::isChecked), 0x003u);
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
  EXPECT_EQ(Labels(*tree.SiteItem(1)), QStringList({"Gate", "Dock"}));
  for (int site = 0; site < 3; ++site) {
    EXPECT_FALSE(IsChecked(tree.SiteItem(site))) << site;
    for (int camera = 0; camera < tree.SiteItem(site)->childCount(); ++camera) {
      EXPECT_FALSE(IsChecked(tree.CameraItem(site, camera))) << site << " " << camera;
    }
  }
  EXPECT_FALSE(dialog->RemoveButton().isEnabled());
}

TEST_F(UserDialogTest, CheckBoxClicksFollowTheTreesRulesAndOkStoresWhatTheyShow) {
  const auto dialog = Open(UserFormMode::kAdd);
  PermissionTreeView& tree = dialog->Tree();
  ClickCheckBox(tree, tree.CameraItem(1, 1));  // Dock
  EXPECT_TRUE(IsChecked(tree.SiteItem(1)));
  ClickCheckBox(tree, tree.SiteItem(1));
  EXPECT_FALSE(IsChecked(tree.SiteItem(1)));
  EXPECT_FALSE(IsChecked(tree.CameraItem(1, 1)));
  ClickCheckBox(tree, tree.SiteItem(1));
  EXPECT_TRUE(IsChecked(tree.CameraItem(1, 0)));
  EXPECT_TRUE(IsChecked(tree.CameraItem(1, 1)));
  ClickCheckBox(tree, tree.CameraItem(1, 0));  // Gate cleared, Dock keeps the site checked
  EXPECT_TRUE(IsChecked(tree.SiteItem(1)));
  ClickCheckBox(tree, tree.CameraItem(0, 2));
  ClickCheckBox(tree, tree.SiteItem(2));  // no cameras: nothing to check
  EXPECT_FALSE(IsChecked(tree.SiteItem(2)));

  Fill(*dialog, "carol", "carol-pw", "carol-pw");
  Choose(*dialog, "Operator");
  dialog->accept();
  ASSERT_EQ(dialog->result(), QDialog::Accepted) << messages_.join('\n').toStdString();
  const UserAccount carol = ReadUser("carol").user;
  ASSERT_EQ(carol.siteRights.size(), 3u);
  EXPECT_EQ(carol.siteRights[0].cameraAuthority, "001" + std::string(61, '0'));
  EXPECT_EQ(carol.siteRights[1].cameraAuthority, "000001" + std::string(58, '0'));
  EXPECT_EQ(carol.siteRights[2].cameraAuthority, kNone);
}

TEST_F(UserDialogTest, TheAdministratorsTreeIsLockedWithEveryCameraPermitted) {
  const auto dialog = Open(UserFormMode::kModify, "Administrator");
  EXPECT_TRUE(dialog->IsLocked());
  EXPECT_FALSE(dialog->GroupDropDown().isEnabled());
  PermissionTreeView& tree = dialog->Tree();
  QTreeWidgetItem* gate = tree.CameraItem(1, 0);
  EXPECT_FALSE(gate->flags() & Qt::ItemIsUserCheckable);
  ClickCheckBox(tree, gate);
  ClickCheckBox(tree, tree.SiteItem(0));
  EXPECT_TRUE(IsChecked(gate));
  EXPECT_TRUE(IsChecked(tree.CameraItem(0, 0)));
  EXPECT_EQ(tree.Tree().Sites()[1].cameraAuthority, kAll);
}

TEST_F(UserDialogTest, RemoveOnlyForAnOffLineSiteAndNeverRightAfterARebuild) {
  const auto dialog = Open(UserFormMode::kAdd);
  PermissionTreeView& tree = dialog->Tree();
  tree.setCurrentItem(tree.CameraItem(1, 0));
  EXPECT_FALSE(dialog->RemoveButton().isEnabled()) << "Yard is on line";
  tree.setCurrentItem(tree.CameraItem(0, 3));
  EXPECT_TRUE(dialog->RemoveButton().isEnabled());
  dialog->RefreshButton().click();
  EXPECT_EQ(tree.SelectedSite(), -1);
  EXPECT_FALSE(dialog->RemoveButton().isEnabled());

  tree.setCurrentItem(tree.SiteItem(0));
  dialog->RemoveButton().click();
  ASSERT_EQ(tree.topLevelItemCount(), 2);
  EXPECT_EQ(tree.SiteItem(0)->text(0), "10.0.0.2 - 1 Yard (On-line)");
  EXPECT_EQ(CountRows("UserSite"), 0) << "bob's permission for Lobby went with it";
  EXPECT_FALSE(dialog->RemoveButton().isEnabled());
}

TEST_F(UserDialogTest, ARefusalWithAReasonKeepsTheDialogOpen) {
  AddGroup("Pair", 4, 0x003);
  const auto dialog = Open(UserFormMode::kAdd);
  Fill(*dialog, "dave", "one", "two");
  dialog->accept();
  Choose(*dialog, "Pair");
  ExecuteSql("DELETE FROM \"Group\" WHERE strName = 'Pair'");
  Fill(*dialog, "dave", "pw", "pw");
  dialog->accept();
  EXPECT_EQ(dialog->GroupDropDown().findText("Pair"), -1);
  dialog->accept();
  EXPECT_EQ(messages_,
            QStringList({"Sorry, passwords do not match", "The group Pair no longer exists.",
                         "Sorry, you must select a user group !!"}));
  EXPECT_NE(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(CountRows("User"), 2);
}

}  // namespace
}  // namespace orlentis::testing
