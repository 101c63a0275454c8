#include "directory/site_monitor.h"

#include <gtest/gtest.h>

#include "base/clock.h"
#include "store/database_maintenance.h"
#include "support/store/store_rows.h"
#include "support/store/temp_database.h"

namespace orlentis::testing {
namespace {

class SiteMonitorTest : public ::testing::Test {
 protected:
  SiteMonitorTest() : clock_(TimeFromOleDate(OleDateFromLocal(2024, 6, 12, 12, 0, 0))) {
    SetCurrentClock(&clock_);
    DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
  }
  ~SiteMonitorTest() override { SetCurrentClock(nullptr); }

  std::int32_t AddOnlineSite(const std::string& address, const std::string& name,
                             int secondsSinceCheckIn) {
    const std::int32_t id = AddSite(address, -1, name);
    SetSiteOnline(id, 8080, clock_.Now() - secondsSinceCheckIn);
    return id;
  }

  static bool IsOnline(std::int32_t siteId) {
    for (const SiteRow& site : AllSites()) {
      if (site.nID == siteId) return site.bOnline != 0;
    }
    return false;
  }

  ManualClock clock_;
  TempDatabase database_;
};

TEST_F(SiteMonitorTest, RefreshTakesSitesSilentForFiveMinutesOffLine) {
  const std::int32_t recent = AddOnlineSite("10.0.0.2", "recent", 4 * 60);
  const std::int32_t stale = AddOnlineSite("10.0.0.1", "stale", 5 * 60);
  const std::int32_t offline = AddSite("10.0.0.3", -1, "offline");

  const auto sites = RefreshOnlineSites();
  ASSERT_TRUE(sites.Done());
  ASSERT_EQ(sites.value->size(), 1u);
  EXPECT_EQ(sites.value->at(0).id, recent);
  EXPECT_EQ(sites.value->at(0).name, "recent");
  EXPECT_EQ(sites.value->at(0).address, "10.0.0.2");
  EXPECT_EQ(sites.value->at(0).webServerPort, 8080);
  EXPECT_TRUE(IsOnline(recent));
  EXPECT_FALSE(IsOnline(stale));
  EXPECT_FALSE(IsOnline(offline));

  // A minute later the four-minute site is stale too.
  clock_.AdvanceSeconds(60);
  EXPECT_TRUE(RefreshOnlineSites().value->empty());
  EXPECT_FALSE(IsOnline(recent));
}

TEST_F(SiteMonitorTest, SitesCountAndListOnlyTheCamerasTheyReport) {
  const std::int32_t withCameras = AddOnlineSite("10.0.0.1", "with", 0);
  const std::int32_t without = AddOnlineSite("10.0.0.2", "without", 0);
  AddCamera(withCameras, 2, true, 0x2, "gate");
  AddCamera(withCameras, 0, true, 0x1, "door");
  AddCamera(withCameras, 1, false, 0x3, "gone");
  AddCamera(without, 0, false, 0, "gone too");

  const auto sites = RefreshOnlineSites();
  ASSERT_TRUE(sites.Done());
  ASSERT_EQ(sites.value->size(), 2u);
  EXPECT_EQ(sites.value->at(0).cameraCount, 2);
  EXPECT_EQ(sites.value->at(1).cameraCount, 0);

  const auto cameras = ListSiteCameras(withCameras);
  ASSERT_TRUE(cameras.Done());
  ASSERT_EQ(cameras.value->size(), 2u);
  EXPECT_EQ(cameras.value->at(0).name, "door");
  EXPECT_TRUE(cameras.value->at(0).IsRecording());
  EXPECT_FALSE(cameras.value->at(0).HasLostSignal());
  EXPECT_EQ(cameras.value->at(1).name, "gate");
  EXPECT_FALSE(cameras.value->at(1).IsRecording());
  EXPECT_TRUE(cameras.value->at(1).HasLostSignal());
  EXPECT_EQ(cameras.value->at(1).resolution, "704x480");
  EXPECT_TRUE(ListSiteCameras(without).value->empty());
}

}  // namespace
}  // namespace orlentis::testing
