#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "console/door_waits.h"
#include "console/permission_tree_view.h"
#include "console/user_dialog.h"
#include "directory/site_accounts.h"
#include "e2e/peer_run.h"
#include "support/net/recorder_services_server.h"

namespace orlentis::testing {
namespace {

// End to end: a user added in the user dialog, with cameras ticked in its tree, logs in from
// a recorder host (orlentis-peer host-login) and receives exactly those cameras.
TEST(UserDialogHostLoginTest, AUserAddedInTheDialogGetsExactlyTheTickedCamerasAtItsHost) {
  RecorderServicesServer server;
  // The host at 127.0.0.1 is registered with two instances before it ever checks in.
  ASSERT_TRUE(AddSites({127, 0, 0, 1}, 2).IsDone());

  DirectoryDoor door;
  UserDialog dialog(door, UserFormMode::kAdd);
  Settle(door);
  QStringList messages;
  dialog.SetMessageBox([&](const QString&, const QString& text) { messages << text; });
  dialog.NameEdit().setText("erin");
  dialog.PasswordEdit().setText("erin-pw");
  dialog.ConfirmationEdit().setText("erin-pw");
  dialog.GroupDropDown().setCurrentIndex(dialog.GroupDropDown().findText("Operator"));
  PermissionTreeView& tree = dialog.Tree();
  ASSERT_EQ(tree.topLevelItemCount(), 2);
  for (const int camera : {0, 15}) {  // "Camera 1" and "Camera 16" of instance 0
    tree.setCurrentItem(tree.CameraItem(0, camera));
    QTest::keyClick(&tree, Qt::Key_Space);
  }
  dialog.accept();
  Settle(door);
  ASSERT_EQ(dialog.result(), QDialog::Accepted) << messages.join('\n').toStdString();

  const auto login = RunPeerCommand("host-login", server.Net().Port(),
                                    {"--user", "erin", "--password", "erin-pw"});
  ASSERT_EQ(login.status, peer::PeerStatus::kOk) << login.message;
  const auto& entries = login.transcript.Entries();
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(TextOf(entries[2], "name"), "erin");
  EXPECT_EQ(TextOf(entries[2], "group"), "Operator");
  EXPECT_EQ(NumberOf(entries[3], "instance"), 0);
  EXPECT_EQ(TextOf(entries[3], "camera_authority"),
            "1" + std::string(14, '0') + "1" + std::string(48, '0'));
  EXPECT_EQ(NumberOf(entries[4], "instance"), 1);
  EXPECT_EQ(TextOf(entries[4], "camera_authority"), std::string(64, '0'));
}

}  // namespace
}  // namespace orlentis::testing
