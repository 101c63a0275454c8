#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <iostream>

#include "console/console_sheet.h"
#include "console/database_status_line.h"
#include "console/door_waits.h"
#include "console/ip_address_field.h"
#include "console/permission_tree_view.h"
#include "console/preferences_page.h"
#include "console/report_list.h"
#include "console/tick_gaps.h"
#include "console/user_dialog.h"
#include "directory/database_message.h"
#include "directory/ip_filter_ranges.h"
#include "support/store/store_rows.h"
#include "support/store/temp_database.h"
#include "support/store/without_keys.h"
#include "support/store/write_lock_holder.h"

namespace orlentis::testing {
namespace {

// Longer than the busy timeout: a write the console starts once the lock is held gives up.
constexpr std::chrono::seconds kHold{12};
// The one timing these tests check: the window answers as if nothing were waiting.
constexpr qint64 kLongestTolerableGapMs = 200;

QString BusyText() {
  return QString::fromStdString(DatabaseOutcomeMessage(DbOutcome::kBusy));
}

// The console beside another program (orlentis-admin, a second server) that holds the
// database's write lock for longer than the busy timeout.
class BusyDatabaseTest : public ::testing::Test {
 protected:
  TempDatabase database_;
  DirectoryDoor door_;
  QStringList messages_;
};

TEST_F(BusyDatabaseTest, TheConsoleGoesOnWhileAnotherProgramWritesAndThenSaysTheDatabaseIsBusy) {
  ConsoleSheet sheet(door_, {0x1FF, "Administrator"});
  sheet.show();
  sheet.SetCurrentPage(2);
  Settle(door_);
  PreferencesPage& page = *sheet.Preferences();
  page.SetMessageBox([this](const QString&, const QString& text) { messages_ << text; });
  page.RangeFromField().SetText("10.0.0.1");
  page.RangeToField().SetText("10.0.0.9");
  page.findChild<QLineEdit*>("description")->setText("night");

  WriteLockHolder writer(database_.File(), kHold);
  ASSERT_TRUE(writer.Holding());
  const TickGaps ticks(&sheet);
  page.AddRange();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return page.Status().text() == QString::fromStdString(DatabaseWaitingMessage()); },
      2000));
  Settle(door_);
  std::cout << "longest gap between two ticks of the console's timer: " << ticks.LongestMs()
            << " ms\n";
  RecordProperty("longest_tick_gap_ms", static_cast<int>(ticks.LongestMs()));
  EXPECT_LT(ticks.LongestMs(), kLongestTolerableGapMs);
  EXPECT_EQ(page.Status().text(), BusyText());
  EXPECT_FALSE(page.Status().isHidden());
  EXPECT_TRUE(messages_.isEmpty()) << "said once, on the page";
  EXPECT_EQ(page.RangeList().RowCount(), 0);
  EXPECT_TRUE(ListIpFilterRanges().ValueOr({}).empty());

  writer.WaitUntilReleased();
  page.AddRange();
  Settle(door_);
  EXPECT_TRUE(page.Status().isHidden());
  ASSERT_EQ(page.RangeList().RowCount(), 1);
  EXPECT_EQ(page.RangeList().CellText(0, 2), "night");
  EXPECT_EQ(WithoutKeys(ListIpFilterRanges().ValueOr({})),
            (std::vector<IpFilterRange>{{"10.0.0.1", "10.0.0.9", "night"}}));
}

TEST_F(BusyDatabaseTest, AUserDialogWhoseSaveMeetsABusyDatabaseStaysOpenAndWritesNothing) {
  AddSite("10.0.0.1", -1, "Lobby");
  UserDialog dialog(door_, UserFormMode::kAdd);
  dialog.SetMessageBox([this](const QString&, const QString& text) { messages_ << text; });
  dialog.show();
  Settle(door_);
  dialog.NameEdit().setText("carol");
  dialog.GroupDropDown().setCurrentIndex(dialog.GroupDropDown().findText("Operator"));
  dialog.PasswordEdit().setText("carol-pw");
  dialog.ConfirmationEdit().setText("carol-pw");
  dialog.DescriptionEdit().setText("night shift");
  PermissionTreeView& tree = dialog.Tree();
  tree.setCurrentItem(tree.CameraItem(0, 0));
  QTest::keyClick(&tree, Qt::Key_Space);

  WriteLockHolder writer(database_.File(), kHold);
  ASSERT_TRUE(writer.Holding());
  dialog.accept();
  EXPECT_FALSE(dialog.OkButton().isEnabled()) << "while the save waits";
  Settle(door_);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(dialog.OkButton().isEnabled());
  EXPECT_EQ(dialog.Status().text(), BusyText());
  EXPECT_TRUE(messages_.isEmpty()) << "said once, on the dialog";
  EXPECT_EQ(dialog.NameEdit().text(), "carol");
  EXPECT_EQ(dialog.GroupDropDown().currentText(), "Operator");
  EXPECT_EQ(dialog.PasswordEdit().text(), "carol-pw");
  EXPECT_EQ(dialog.ConfirmationEdit().text(), "carol-pw");
  EXPECT_EQ(dialog.DescriptionEdit().text(), "night shift");
  EXPECT_TRUE(tree.Tree().IsCameraChecked(0, 0));
  EXPECT_EQ(CountRows("User"), 1) << "the Administrator alone";
  EXPECT_EQ(CountRows("UserSite"), 0);
  EXPECT_EQ(CountRows("Log"), 0);

  writer.WaitUntilReleased();
  dialog.accept();
  Settle(door_);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(CountRows("User"), 2);
  EXPECT_EQ(CountRows("UserSite"), 1);
  const auto log = LogOldestFirst();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].strAction, "Add an user (carol)");
}

}  // namespace
}  // namespace orlentis::testing
