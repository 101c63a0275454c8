#include "directory/site_accounts.h"

#include <gtest/gtest.h>

#include "base/clock.h"
#include "directory/account_test.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

class SiteAccountsTest : public AccountTest {
 protected:
  std::vector<SiteRow> SitesAt(const std::string& address) {
    std::vector<SiteRow> found;
    for (const SiteRow& site : AllSites()) {
      if (site.strIP == address) found.push_back(site);
    }
    return found;
  }
};

constexpr SiteAddress kAddress{10, 0, 0, 5};

TEST_F(SiteAccountsTest, NewInstancesAreOfflineUnnamedWithSixteenCameras) {
  const double before = NowOleDate();
  ASSERT_TRUE(AddSites(kAddress, 3).IsDone());
  const auto sites = SitesAt("10.0.0.5");
  ASSERT_EQ(sites.size(), 3u);
  for (std::int32_t instance = 0; instance < 3; ++instance) {
    const SiteRow& site = sites[static_cast<std::size_t>(instance)];
    EXPECT_EQ(site.nInstanceID, instance);
    EXPECT_EQ(site.strSiteName, "N/A");
    EXPECT_EQ(site.bOnline, 0);
    EXPECT_EQ(site.nWebServerPort, 0);
    EXPECT_GE(site.dCheckInTime, before);
    const auto cameras = CamerasOf(site.nID);
    ASSERT_EQ(cameras.size(), 16u);
    for (std::int32_t index = 0; index < 16; ++index) {
      const CameraRow& camera = cameras[static_cast<std::size_t>(index)];
      EXPECT_EQ(camera.nIndex, index);
      EXPECT_EQ(camera.bExistence, 1);
      EXPECT_EQ(camera.nStateFlag, 0);
      EXPECT_EQ(camera.strResolution, "N/A");
      EXPECT_EQ(camera.strName, "Camera " + std::to_string(index + 1));
    }
  }
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(SiteAccountsTest, RegisteredInstancesStayAsTheyAre) {
  ASSERT_TRUE(AddSites(kAddress, 3).IsDone());
  ExecuteSql("UPDATE Site SET strSiteName = 'Yard', bOnline = 1 WHERE nInstanceID = 1");
  ExecuteSql("UPDATE Camera SET strName = 'Gate'");
  ASSERT_TRUE(AddSites(kAddress, 4).IsDone());
  const auto sites = SitesAt("10.0.0.5");
  ASSERT_EQ(sites.size(), 4u);
  EXPECT_EQ(sites[1].strSiteName, "Yard");
  EXPECT_EQ(sites[1].bOnline, 1);
  EXPECT_EQ(CamerasOf(sites[1].nID)[0].strName, "Gate");
  EXPECT_EQ(sites[3].nInstanceID, 3);
  EXPECT_EQ(CamerasOf(sites[3].nID)[0].strName, "Camera 1");
  ASSERT_TRUE(AddSites(kAddress, 4).IsDone());
  EXPECT_EQ(SitesAt("10.0.0.5").size(), 4u);
}

TEST_F(SiteAccountsTest, BlankOctetsCountAsZeroAndABlankAddressAddsNothing) {
  ASSERT_TRUE(AddSites({192, 168, std::nullopt, std::nullopt}, 1).IsDone());
  EXPECT_EQ(SitesAt("192.168.0.0").size(), 1u);
  EXPECT_EQ(AddSites({}, 1).refusal, AccountRefusal::kBlankAddress);
  EXPECT_EQ(AddSites(kAddress, 0).refusal, AccountRefusal::kInstanceCountOutOfRange);
  EXPECT_EQ(AddSites(kAddress, 5).refusal, AccountRefusal::kInstanceCountOutOfRange);
  EXPECT_EQ(AllSites().size(), 1u);
}

TEST_F(SiteAccountsTest, OnlyOfflineSitesAreRemovedWithEveryonesPermissions) {
  const std::int32_t offline = AddSite("10.0.0.1", -1, "Lobby");
  const std::int32_t online = AddSite("10.0.0.2", 0, "Yard");
  ExecuteSql("UPDATE Site SET bOnline = 1 WHERE strSiteName = 'Yard'");
  ExecuteSql(
      "INSERT INTO Camera (nSiteID, nIndex, bExistence, nStateFlag, strResolution, "
      "strName) VALUES (" +
      std::to_string(offline) + ", 0, 1, 0, 'N/A', 'Camera 1')");
  const std::int32_t bob = AddUser("bob", "bob-pw", GroupIdByName("Operator"), 0x001);
  AddUserSite(bob, offline, "1");
  AddUserSite(StoredUser("Administrator")->nID, offline, "1");
  AddUserSite(bob, online, "1");

  EXPECT_EQ(RemoveSite(online).refusal, AccountRefusal::kSiteOnline);
  EXPECT_TRUE(RemoveSite(offline).IsDone());
  EXPECT_EQ(RemoveSite(offline).refusal, AccountRefusal::kNotFound);
  ASSERT_EQ(AllSites().size(), 1u);
  EXPECT_EQ(AllSites()[0].nID, online);
  EXPECT_EQ(CountRows("UserSite"), 1);
  EXPECT_EQ(CamerasOf(offline).size(), 1u);
}

}  // namespace
}  // namespace orlentis::testing
