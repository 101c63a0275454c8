#include <gtest/gtest.h>

#include "store/bound_statement.h"
#include "store/camera_table.h"
#include "store/group_table.h"
#include "store/mask_ip_table.h"
#include "store/site_permission_join.h"
#include "store/site_table.h"
#include "store/user_site_table.h"
#include "store/user_table.h"
#include "store_test.h"

namespace orlentis::testing {
namespace {

// Texts that would change the meaning of a statement if they were pasted into it.
const std::vector<std::string> kHostileTexts = {
    "O'Brien", "say \"hi\"", "a; DROP TABLE Site", "x' OR '1'='1", "-- comment", "';--",
};

class TablesTest : public EachEngineTest {
 protected:
  std::int32_t AddSite(const std::string& ip, const std::string& name, std::int32_t instance) {
    SiteTable sites(Session());
    sites.OpenByAddressAndInstance(ip, instance);
    SiteRow& row = sites.AddNew();
    row.strIP = ip;
    row.strSiteName = name;
    row.nInstanceID = instance;
    row.nWebServerPort = 80;
    EXPECT_TRUE(sites.Update());
    return sites.Current().nID;
  }
};

TEST_P(TablesTest, SiteFiltersTakeHostileTextsAsPlainValues) {
  for (const auto& text : kHostileTexts) {
    const std::int32_t id = AddSite(text, text, kRecordProtocolInstance);
    SiteTable sites(Session());
    sites.OpenByAddressAndName(text, text);
    ASSERT_EQ(sites.Count(), 1u) << text;
    EXPECT_EQ(sites.Current().nID, id);
    EXPECT_EQ(sites.Current().strSiteName, text);
    sites.OpenByAddressAndName(text, text + "x");
    EXPECT_EQ(sites.Count(), 0u) << text;
  }
  EXPECT_EQ(Count("Site"), static_cast<int>(kHostileTexts.size()));
}

TEST_P(TablesTest, AccountFiltersTakeHostileTextsAsPlainValues) {
  for (const auto& text : kHostileTexts) {
    UserTable users(Session());
    users.OpenByName(text);
    ASSERT_TRUE(users.IsEOF());
    UserRow& user = users.AddNew();
    user.strName = text;
    user.strPassword = text;
    ASSERT_TRUE(users.Update());

    users.OpenByNameAndPassword(text, text);
    EXPECT_EQ(users.Count(), 1u) << text;
    GroupTable groups(Session());
    groups.OpenByName(text);
    EXPECT_EQ(groups.Count(), 0u) << text;
  }
  EXPECT_EQ(Count("\"User\""), 1 + static_cast<int>(kHostileTexts.size()));
  EXPECT_EQ(Count("\"Group\""), 4);
}

TEST_P(TablesTest, AddedRowCarriesItsNewIdAndRequeryFindsIt) {
  SiteTable sites(Session());
  sites.OpenByAddressAndInstance("10.0.0.1", 2);
  ASSERT_TRUE(sites.IsEOF());
  SiteRow& row = sites.AddNew();
  row.strIP = "10.0.0.1";
  row.nInstanceID = 2;
  row.dCheckInTime = 46000.5;
  ASSERT_TRUE(sites.Update());
  const std::int32_t id = sites.Current().nID;
  EXPECT_GT(id, 0);
  sites.Requery();
  ASSERT_EQ(sites.Count(), 1u);
  EXPECT_EQ(sites.Current().nID, id);
  EXPECT_DOUBLE_EQ(sites.Current().dCheckInTime, 46000.5);
}

TEST_P(TablesTest, KeysetWalksEditsAndDeletesTheRightRows) {
  for (const char* ip : {"10.0.0.3", "10.0.0.1", "10.0.0.2"}) AddSite(ip, "s", 0);
  SiteTable sites(Session());
  sites.OpenAll();
  std::vector<std::string> forward;
  for (sites.MoveFirst(); !sites.IsEOF(); sites.MoveNext())
    forward.push_back(sites.Current().strIP);
  EXPECT_EQ(forward, (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));

  sites.MoveFirst();
  sites.MoveNext();
  sites.Edit().bOnline = 1;
  ASSERT_TRUE(sites.Update());
  sites.MoveFirst();
  sites.Delete();
  EXPECT_EQ(sites.Current().strIP, "10.0.0.2");  // the cursor stands on the following row

  SiteTable online(Session());
  online.OpenOnline();
  ASSERT_EQ(online.Count(), 1u);
  EXPECT_EQ(online.Current().strIP, "10.0.0.2");
  sites.Requery();
  EXPECT_EQ(sites.Count(), 2u);
  EXPECT_EQ(sites.Current().strIP, "10.0.0.2");
}

TEST_P(TablesTest, UpdateWithoutAPendingRowWritesNothing) {
  const std::int32_t id = AddSite("10.0.0.9", "s", 0);
  SiteTable sites(Session());
  sites.OpenById(id);
  EXPECT_FALSE(sites.Update());
  SiteRow& pending = sites.Edit();
  pending.strSiteName = "changed";
  ASSERT_TRUE(sites.Update());
  // The row went with the first update; changing it afterwards writes nothing.
  pending.strSiteName = "again";
  EXPECT_FALSE(sites.Update());
  sites.Requery();
  EXPECT_EQ(sites.Current().strSiteName, "changed");
}

TEST_P(TablesTest, CamerasOfASiteAreMarkedAbsentAndKeepTheirRows) {
  CameraTable cameras(Session());
  for (std::int32_t index : {2, 0, 1}) {
    cameras.OpenSlot(7, index);
    CameraRow& row = cameras.AddNew();
    row.nSiteID = 7;
    row.nIndex = index;
    row.bExistence = 1;
    row.strName = "Camera's \"" + std::to_string(index) + "\"";
    ASSERT_TRUE(cameras.Update());
  }
  cameras.OpenSlot(8, 0);
  cameras.AddNew().nSiteID = 8;
  cameras.Update();

  cameras.OpenPresentBySite(7);
  ASSERT_EQ(cameras.Count(), 3u);
  EXPECT_EQ(cameras.Rows()[0].nIndex, 0);
  EXPECT_EQ(cameras.Rows()[2].strName, "Camera's \"2\"");

  CameraTable::MarkAllAbsent(Session(), 7);
  cameras.OpenPresentBySite(7);
  EXPECT_EQ(cameras.Count(), 0u);
  cameras.OpenBySite(7);
  EXPECT_EQ(cameras.Count(), 3u);

  cameras.OpenSlot(7, 1);
  cameras.Edit().bExistence = 1;
  cameras.Update();
  cameras.OpenPresentBySite(7);
  ASSERT_EQ(cameras.Count(), 1u);
  EXPECT_EQ(cameras.Current().nIndex, 1);
}

TEST_P(TablesTest, GroupsComeInLevelOrderAndUsersByGroup) {
  GroupTable groups(Session());
  groups.OpenByName("Manager");
  groups.Edit().nLevel = 9;
  groups.Update();
  groups.OpenByLevel();
  EXPECT_EQ(groups.Rows().back().strName, "Manager");
  const std::int32_t managerId = groups.Rows().back().nID;

  UserTable users(Session());
  users.OpenByGroup(managerId);
  EXPECT_TRUE(users.IsEOF());
  users.AddNew().nGroupID = managerId;
  users.Update();
  users.OpenByGroup(managerId);
  EXPECT_EQ(users.Count(), 1u);
}

TEST_P(TablesTest, PermissionRowsGoWithTheirUserOrSite) {
  UserSiteTable permissions(Session());
  for (const auto& [user, site] : {std::pair{1, 10}, {1, 11}, {2, 10}, {2, 12}}) {
    permissions.OpenByUserAndSite(user, site);
    UserSiteRow& row = permissions.AddNew();
    row.nUserID = user;
    row.nSiteID = site;
    row.strCameraAuthority = std::string(64, '1');
    permissions.Update();
  }
  UserSiteTable::DeleteForUser(Session(), 1);
  permissions.OpenByUser(1);
  EXPECT_EQ(permissions.Count(), 0u);
  UserSiteTable::DeleteForSite(Session(), 10);
  permissions.OpenBySite(10);
  EXPECT_EQ(permissions.Count(), 0u);
  permissions.OpenByUser(2);
  ASSERT_EQ(permissions.Count(), 1u);
  EXPECT_EQ(permissions.Current().nSiteID, 12);
}

TEST_P(TablesTest, JoinLeavesThePermissionNullForASiteWithoutARow) {
  const std::int32_t withRow = AddSite("10.1.1.1", "with", kRecordProtocolInstance);
  AddSite("10.1.1.1", "without", kRecordProtocolInstance);
  AddSite("10.1.1.1", "host", 3);
  const std::int32_t hostZero = AddSite("10.1.1.1", "host", 0);
  UserSiteTable permissions(Session());
  for (const std::int32_t site : {withRow, hostZero}) {
    permissions.OpenByUserAndSite(5, site);
    UserSiteRow& row = permissions.AddNew();
    row.nUserID = 5;
    row.nSiteID = site;
    row.strCameraAuthority = "10";
    permissions.Update();
  }
  // Another user's row must not show through.
  permissions.AddNew() = UserSiteRow{6, hostZero + 1, "11"};
  permissions.Update();

  SitePermissionJoin join(Session());
  join.OpenForUser(5);
  ASSERT_EQ(join.Count(), 4u);
  EXPECT_EQ(join.Rows()[0].strSiteName, "with");
  EXPECT_EQ(join.Rows()[0].strCameraAuthority, "10");
  EXPECT_EQ(join.Rows()[0].nUserID, 5);
  EXPECT_TRUE(join.Rows()[1].IsCameraAuthorityNull());
  EXPECT_FALSE(join.Rows()[1].nSiteID.has_value());
  permissions.AddNew() = UserSiteRow{5, join.Rows()[1].nID, ""};
  permissions.Update();
  join.OpenForUser(5);
  EXPECT_EQ(join.Rows()[1].strCameraAuthority, "");  // an empty text is not null

  EXPECT_EQ(join.Rows()[2].nInstanceID, 0);
  EXPECT_FALSE(join.Rows()[2].IsCameraAuthorityNull());
  EXPECT_EQ(join.Rows()[3].nInstanceID, 3);
  EXPECT_TRUE(join.Rows()[3].IsCameraAuthorityNull());

  join.OpenForUser(-1);
  EXPECT_EQ(join.Count(), 4u);
  for (const SitePermissionRow& row : join.Rows()) EXPECT_TRUE(row.IsCameraAuthorityNull());
}

TEST_P(TablesTest, IpRangesKeepTheirOrderAndDuplicatesAreDeletedOneByOne) {
  MaskIpTable ranges(Session());
  ranges.OpenAll();
  for (const char* from : {"10.0.0.9", "10.0.0.1", "10.0.0.9"}) {
    MaskIPRow& row = ranges.AddNew();
    row.strDescription = "d";
    row.strIPFrom = from;
    row.strIPTo = "10.0.0.20";
    ranges.Update();
  }
  ranges.OpenAll();
  ASSERT_EQ(ranges.Count(), 3u);
  EXPECT_EQ(ranges.Rows()[1].strIPFrom, "10.0.0.1");
  ranges.Delete();  // the first
  ranges.OpenAll();
  ASSERT_EQ(ranges.Count(), 2u);
  EXPECT_EQ(ranges.Rows()[0].strIPFrom, "10.0.0.1");
}

TEST_P(TablesTest, LogSearchCoversWholeDaysInclusive) {
  BoundStatement(Session(),
                 "INSERT INTO Log (time, strSource, strAction, strDetail) VALUES "
                 "('2026-03-01 23:59:59', 's', 'a', 'before'), "
                 "('2026-03-02 00:00:00', 's', 'a', 'first'), "
                 "('2026-03-03 23:59:59', 's', 'a', 'last'), "
                 "('2026-03-04 00:00:00', 's', 'a', 'after')")
      .Execute();
  LogTable log(Session());
  log.OpenBetweenDays({2026, 3, 2}, {2026, 3, 3});
  ASSERT_EQ(log.Count(), 2u);
  EXPECT_EQ(log.Rows()[0].strDetail, "first");
  EXPECT_EQ(log.Rows()[1].strDetail, "last");
  EXPECT_EQ(LocalTimeText(log.Rows()[1].time), "2026-03-03 23:59:59");
}

INSTANTIATE_TEST_SUITE_P(Engines, TablesTest, EachEngine(), EngineName);

}  // namespace
}  // namespace orlentis::testing
