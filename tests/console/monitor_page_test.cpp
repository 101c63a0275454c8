#include "console/monitor_page.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "base/clock.h"
#include "console/door_waits.h"
#include "console/report_list.h"
#include "store/database_maintenance.h"
#include "support/store/store_rows.h"
#include "support/store/temp_database.h"

namespace orlentis::testing {
namespace {

QStringList RowTexts(const ReportList& list, int row) {
  QStringList texts;
  for (int column = 0; column < list.ColumnCount(); ++column) texts << list.CellText(row, column);
  return texts;
}

class MonitorPageTest : public ::testing::Test {
 protected:
  MonitorPageTest() : clock_(TimeFromOleDate(OleDateFromLocal(2024, 6, 12, 12, 0, 0))) {
    SetCurrentClock(&clock_);
    DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
  }
  ~MonitorPageTest() override { SetCurrentClock(nullptr); }

  std::int32_t AddOnlineSite(const std::string& address, const std::string& name,
                             int secondsSinceCheckIn) {
    const std::int32_t id = AddSite(address, -1, name);
    SetSiteOnline(id, 8080, clock_.Now() - secondsSinceCheckIn);
    return id;
  }

  void SelectSiteRow(int row) {
    page_.SiteList().topLevelItem(row)->setSelected(true);
    Settle(door_);
  }

  void Refresh() {
    page_.Refresh();
    Settle(door_);
  }

  ManualClock clock_;
  TempDatabase database_;
  DirectoryDoor door_;
  MonitorPage page_{door_};
};

TEST_F(MonitorPageTest, RefreshListsSitesCheckedInWithinFourMinutesAndDropsFiveMinuteOnes) {
  const std::int32_t recent = AddOnlineSite("10.0.0.2", "recent", 4 * 60);
  const std::int32_t stale = AddOnlineSite("10.0.0.1", "stale", 5 * 60);
  AddCamera(recent, 0, true, 0, "door");
  AddCamera(recent, 1, false, 0, "gone");

  Refresh();
  ASSERT_EQ(page_.SiteList().RowCount(), 1);
  EXPECT_EQ(RowTexts(page_.SiteList(), 0), (QStringList{"recent", "10.0.0.2", "8080", "1"}));
  EXPECT_EQ(page_.SiteList().RowValue(0), static_cast<std::uint32_t>(recent));
  for (const SiteRow& site : AllSites()) {
    EXPECT_EQ(site.bOnline, site.nID == stale ? 0 : 1) << site.strSiteName;
  }
}

TEST_F(MonitorPageTest, CameraListFollowsTheClickedSiteUntilItGoesOffLine) {
  const std::int32_t first = AddOnlineSite("10.0.0.1", "first", 0);
  const std::int32_t second = AddOnlineSite("10.0.0.2", "second", 0);
  AddCamera(first, 0, true, 0x1, "door");
  AddCamera(second, 0, true, 0x2, "gate");
  AddCamera(second, 1, true, 0x3, "yard");
  Refresh();
  ASSERT_EQ(page_.SiteList().RowCount(), 2);
  EXPECT_EQ(page_.CameraList().RowCount(), 0);

  SelectSiteRow(0);
  SelectSiteRow(1);  // with several sites selected the last one counts
  EXPECT_EQ(page_.SelectedSiteId(), second);
  ASSERT_EQ(page_.CameraList().ColumnCount(), 5);
  ASSERT_EQ(page_.CameraList().RowCount(), 2);
  EXPECT_EQ(RowTexts(page_.CameraList(), 0), (QStringList{"gate", "704x480", "No", "N/A", "Yes"}));
  EXPECT_EQ(RowTexts(page_.CameraList(), 1), (QStringList{"yard", "704x480", "Yes", "N/A", "Yes"}));

  page_.SiteList().clearSelection();
  Settle(door_);
  EXPECT_EQ(page_.SelectedSiteId(), second);
  EXPECT_EQ(page_.CameraList().RowCount(), 2);

  // The refresh lists the site again without selecting it; its cameras stay shown.
  clock_.AdvanceSeconds(4 * 60);
  SetSiteOnline(first, 8080, clock_.Now());
  Refresh();
  EXPECT_EQ(page_.SiteList().RowCount(), 2);
  EXPECT_EQ(page_.CameraList().RowCount(), 2);

  clock_.AdvanceSeconds(60);
  Refresh();
  ASSERT_EQ(page_.SiteList().RowCount(), 1);
  EXPECT_EQ(page_.SelectedSiteId(), -1);
  EXPECT_EQ(page_.CameraList().RowCount(), 0);
}

TEST_F(MonitorPageTest, RefreshesOnlyWhileActive) {
  AddOnlineSite("10.0.0.1", "first", 0);
  EXPECT_EQ(page_.SiteList().RowCount(), 0);
  page_.Activate();
  Settle(door_);
  EXPECT_EQ(page_.SiteList().RowCount(), 1);
  EXPECT_TRUE(page_.IsRefreshTimerRunning());
  page_.Deactivate();
  EXPECT_FALSE(page_.IsRefreshTimerRunning());
}

}  // namespace
}  // namespace orlentis::testing
