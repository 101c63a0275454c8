#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/site_permission_join.h"
#include "store/site_table.h"
#include "store_test.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

constexpr std::int32_t kUser = 5;
constexpr const char* kAddress = "10.1.1.1";

using LoginJoinTest = EachEngineTest;

// Names against the id order, so an answer in name order (the address index) shows.
TEST_P(LoginJoinTest, AnAccountLoginTakesTheLowestIdSiteOfTheAddressOnly) {
  SitePermissionJoin join(Session());
  join.OpenFirstForUserAtSite(kUser, kAddress);
  EXPECT_EQ(join.Count(), 0u);

  AddSite(kAddress, 0, "a host instance");
  const std::int32_t first = AddSite(kAddress, kRecordProtocolInstance, "zeta");
  const std::int32_t second = AddSite(kAddress, kRecordProtocolInstance, "alpha");
  AddSite("10.1.1.2", kRecordProtocolInstance, "aaa");
  AddUserSite(kUser, second, "ff");

  join.OpenFirstForUserAtSite(kUser, kAddress);
  ASSERT_EQ(join.Count(), 1u);
  EXPECT_EQ(join.Current().nID, first);
  EXPECT_TRUE(join.Current().IsCameraAuthorityNull());  // the first site, not the permitted one

  AddUserSite(kUser, first, "0f");
  join.OpenFirstForUserAtSite(kUser, kAddress);
  ASSERT_EQ(join.Count(), 1u);
  EXPECT_EQ(join.Current().strCameraAuthority, "0f");
  EXPECT_EQ(join.Current().nUserID, kUser);
  EXPECT_EQ(join.Current().nSiteID, first);
}

TEST_P(LoginJoinTest, AHostLoginReadsOnlyPermittedInstancesInInstanceOrder) {
  struct Site {
    const char* address;
    std::int32_t instance;
    const char* name;
    std::int32_t user;  // 0: no permission row
    const char* authority;
  };
  const Site sites[] = {
      {kAddress, 4, "z", kUser, ""},  // an empty text is a permission (no camera)
      {kAddress, 2, "y", kUser, "ab"},
      {kAddress, kRecordProtocolInstance, "record site", kUser, "ff"},
      {kAddress, 1, "no row", 0, ""},
      {kAddress, 3, "another user's", 6, "ff"},
      {kAddress, 0, "x", kUser, "01"},
      {kAddress, 2, "second with 2", kUser, "cd"},
      {"10.1.1.2", 0, "elsewhere", kUser, "ff"},
  };
  for (const auto& site : sites) {
    const std::int32_t id = AddSite(site.address, site.instance, site.name);
    if (site.user != 0) AddUserSite(site.user, id, site.authority);
  }
  // One row of the user without a camera-authority text.
  const std::int32_t nullAuthority = AddSite(kAddress, 5, "null");
  ExecuteSql("INSERT INTO UserSite (nUserID, nSiteID) VALUES (5, " + std::to_string(nullAuthority) +
             ")");

  SitePermissionJoin join(Session());
  join.OpenPermittedForUserAtHost(kUser, kAddress);
  std::vector<std::pair<std::int32_t, std::string>> permitted;
  for (const auto& row : join.Rows()) {
    ASSERT_FALSE(row.IsCameraAuthorityNull());
    EXPECT_EQ(row.nUserID, kUser);
    permitted.emplace_back(row.nInstanceID, *row.strCameraAuthority);
  }
  EXPECT_EQ(permitted, (std::vector<std::pair<std::int32_t, std::string>>{
                           {0, "01"}, {2, "ab"}, {2, "cd"}, {4, ""}}));
}

INSTANTIATE_TEST_SUITE_P(Engines, LoginJoinTest, EachEngine(), EngineName);

}  // namespace
}  // namespace orlentis::testing
