#include "console/group_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>

#include "console/authority_frame.h"
#include "console/door_waits.h"
#include "store/database_maintenance.h"
#include "support/store/store_rows.h"
#include "support/store/temp_database.h"

namespace orlentis::testing {
namespace {

class GroupDialogTest : public ::testing::Test {
 protected:
  GroupDialogTest() {
    DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
  }

  void Open(GroupDialog& dialog) {
    dialog.SetMessageBox([this](const QString&, const QString& text) { messages_ << text; });
    dialog.show();
  }

  // OK, and whatever the change then does.
  void Ok(GroupDialog& dialog) {
    dialog.accept();
    Settle(door_);
  }

  static std::optional<GroupEntry> Stored(const std::string& name) {
    for (const GroupEntry& group : ListGroups().ValueOr({})) {
      if (group.name == name) return group;
    }
    return std::nullopt;
  }

  TempDatabase database_;
  DirectoryDoor door_;
  const Asker admin_ = Asker::Console({0x1FF, "Administrator"});
  QStringList messages_;
};

TEST_F(GroupDialogTest, AddStaysOpenWhileTheNameIsEmptyOrTaken) {
  GroupDialog dialog(door_, admin_);
  Open(dialog);
  EXPECT_FALSE(dialog.IsModify());
  EXPECT_EQ(dialog.NameField().maxLength(), 31);
  Ok(dialog);
  dialog.NameField().setText("manager");
  Ok(dialog);
  EXPECT_EQ(messages_,
            (QStringList{"Please input the Group Name", "Worring : group manager exists"}));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(ListGroups().ValueOr({}).size(), 4u);

  // Box i stands for bit i, also where the texts skip a number.
  dialog.NameField().setText("Night shift");
  dialog.Authority().Box(3).setChecked(true);
  dialog.Authority().Box(8).setChecked(true);
  Ok(dialog);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(messages_.size(), 2);
  ASSERT_TRUE(Stored("Night shift"));
  EXPECT_EQ(Stored("Night shift")->authority, 0x108u);
}

TEST_F(GroupDialogTest, ModifyKeepsTheNameAndWritesTheBoxes) {
  testing::AddGroup("Night shift", 4, 0x005);
  GroupDialog dialog(door_, admin_, *Stored("Night shift"));
  Open(dialog);
  EXPECT_TRUE(dialog.IsModify());
  EXPECT_FALSE(dialog.NameField().isEnabled());
  EXPECT_EQ(dialog.NameField().text(), "Night shift");
  EXPECT_EQ(dialog.Authority().Authority(), 0x005u);
  EXPECT_TRUE(dialog.Authority().Box(2).isChecked());

  dialog.Authority().Box(2).setChecked(false);
  Ok(dialog);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(Stored("Night shift")->authority, 0x001u);
  EXPECT_TRUE(messages_.isEmpty());
}

}  // namespace
}  // namespace orlentis::testing
