#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "access/password_digest.h"
#include "store/login_reads.h"
#include "store/site_permission_join.h"
#include "store/site_table.h"
#include "store_test.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

constexpr const char* kAddress = "10.1.1.1";

// The join of a user's site rows, and the logins' own reads of the user, its group and those
// rows in one statement, which must find the same.
class LoginJoinTest : public EachEngineTest {
 protected:
  void SetUp() override {
    EachEngineTest::SetUp();
    if (IsSkipped()) return;
    user_ = AddUser("ann", "secret", AddGroup("operators", 3, 0x0F), 0x33);
  }

  std::optional<SiteLoginRead> SiteLogin(const std::string& password = "secret") {
    return ReadSiteLogin(Session(), "ann", PasswordDigest(password, false), kAddress);
  }
  std::optional<HostLoginRead> HostLogin(const std::string& password = "secret") {
    return ReadHostLogin(Session(), "ann", PasswordDigest(password, false), kAddress);
  }

  std::int32_t user_ = 0;
};

TEST_P(LoginJoinTest, TheLoginsReadTheUserOnlyWithItsPasswordAndAHostsOnlyWithItsGroup) {
  EXPECT_FALSE(SiteLogin("wrong"));
  EXPECT_FALSE(HostLogin("wrong"));
  ASSERT_TRUE(SiteLogin());
  EXPECT_EQ(SiteLogin()->userAuthority, 0x33);
  EXPECT_EQ(SiteLogin()->groupName, "operators");
  EXPECT_EQ(SiteLogin()->groupLevel, 3);
  ASSERT_TRUE(HostLogin());
  EXPECT_EQ(HostLogin()->userName, "ann");
  EXPECT_EQ(HostLogin()->groupAuthority, 0x0F);

  ExecuteSql("DELETE FROM \"Group\"");
  ASSERT_TRUE(SiteLogin());
  EXPECT_FALSE(SiteLogin()->groupName);
  EXPECT_FALSE(HostLogin());
}

// Names against the id order, so an answer in name order (the address index) shows.
TEST_P(LoginJoinTest, AnAccountLoginTakesTheLowestIdSiteOfTheAddressOnly) {
  SitePermissionJoin join(Session());
  join.OpenFirstForUserAtSite(user_, kAddress);
  EXPECT_EQ(join.Count(), 0u);
  EXPECT_FALSE(SiteLogin()->cameraAuthority);

  AddSite(kAddress, 0, "a host instance");
  const std::int32_t first = AddSite(kAddress, kRecordProtocolInstance, "zeta");
  const std::int32_t second = AddSite(kAddress, kRecordProtocolInstance, "alpha");
  AddSite("10.1.1.2", kRecordProtocolInstance, "aaa");
  AddUserSite(user_, second, "ff");

  join.OpenFirstForUserAtSite(user_, kAddress);
  ASSERT_EQ(join.Count(), 1u);
  EXPECT_EQ(join.Current().nID, first);
  EXPECT_TRUE(join.Current().IsCameraAuthorityNull());  // the first site, not the permitted one
  EXPECT_FALSE(SiteLogin()->cameraAuthority);

  AddUserSite(user_, first, "0f");
  join.OpenFirstForUserAtSite(user_, kAddress);
  ASSERT_EQ(join.Count(), 1u);
  EXPECT_EQ(join.Current().strCameraAuthority, "0f");
  EXPECT_EQ(join.Current().nUserID, user_);
  EXPECT_EQ(join.Current().nSiteID, first);
  EXPECT_EQ(SiteLogin()->cameraAuthority, "0f");
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
      {kAddress, 4, "z", user_, ""},  // an empty text is a permission (no camera)
      {kAddress, 2, "y", user_, "ab"},
      {kAddress, kRecordProtocolInstance, "record site", user_, "ff"},
      {kAddress, 1, "no row", 0, ""},
      {kAddress, 3, "another user's", user_ + 1, "ff"},
      {kAddress, 0, "x", user_, "01"},
      {kAddress, 2, "second with 2", user_, "cd"},
      {"10.1.1.2", 0, "elsewhere", user_, "ff"},
  };
  for (const auto& site : sites) {
    const std::int32_t id = AddSite(site.address, site.instance, site.name);
    if (site.user != 0) AddUserSite(site.user, id, site.authority);
  }
  // One row of the user without a camera-authority text.
  const std::int32_t nullAuthority = AddSite(kAddress, 5, "null");
  ExecuteSql("INSERT INTO UserSite (nUserID, nSiteID) VALUES (" + std::to_string(user_) + ", " +
             std::to_string(nullAuthority) + ")");

  SitePermissionJoin join(Session());
  join.OpenPermittedForUserAtHost(user_, kAddress);
  std::vector<std::pair<std::int32_t, std::string>> permitted;
  for (const auto& row : join.Rows()) {
    ASSERT_FALSE(row.IsCameraAuthorityNull());
    EXPECT_EQ(row.nUserID, user_);
    permitted.emplace_back(row.nInstanceID, *row.strCameraAuthority);
  }
  EXPECT_EQ(permitted, (std::vector<std::pair<std::int32_t, std::string>>{
                           {0, "01"}, {2, "ab"}, {2, "cd"}, {4, ""}}));
  EXPECT_EQ(HostLogin()->instances,
            (std::vector<PermittedInstance>{{0, "01"}, {2, "ab"}, {2, "cd"}, {4, ""}}));
}

INSTANTIATE_TEST_SUITE_P(Engines, LoginJoinTest, EachEngine(), EngineName);

}  // namespace
}  // namespace orlentis::testing
