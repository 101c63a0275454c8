#include "directory/console_login.h"

#include <gtest/gtest.h>

#include "base/clock.h"
#include "base/settings.h"
#include "store/database_maintenance.h"
#include "support/store_rows.h"
#include "support/temp_database.h"

namespace orlentis::testing {
namespace {

class ConsoleLoginTest : public ::testing::Test {
 protected:
  ConsoleLoginTest() {
    SetCurrentClock(nullptr);
    DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
    Settings::Instance().SetPreferences(PreferenceBlock{});
    Settings::Instance().SetLogLimits(LogLimits{});
    database_ = std::make_unique<TempDatabase>();
    operators_ = GroupIdByName("Operator");  // 0x047
  }
  ~ConsoleLoginTest() override {
    database_.reset();
    Settings::Instance().SetPreferences(PreferenceBlock{});
  }

  void SetDomainLogon(bool on) {
    PreferenceBlock preferences = Settings::Instance().GetPreferences();
    preferences.domainLogon = on ? 1 : 0;
    // No directory answers for this domain: every domain logon fails.
    preferences.domain = "directory.invalid";
    Settings::Instance().SetPreferences(preferences);
  }

  std::unique_ptr<TempDatabase> database_;
  std::int32_t operators_ = 0;
};

TEST_F(ConsoleLoginTest, RightPasswordLogsInWithTheEffectiveAuthorityAndWritesLogin) {
  AddUser("grace", "grace-pw", operators_, 0x1FF);
  const auto user = ConsoleLogin("grace", "grace-pw");
  ASSERT_TRUE(user.has_value());
  EXPECT_EQ(user->effectiveAuthority, 0x047u);
  EXPECT_EQ(user->groupName, "Operator");
  const auto log = LogOldestFirst();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].strSource, "Orlentis");
  EXPECT_EQ(log[0].strAction, "Login");
  EXPECT_EQ(log[0].strDetail, "grace User login");
}

TEST_F(ConsoleLoginTest, WrongPasswordOrUnknownNameFailsWithoutEntry) {
  AddUser("grace", "grace-pw", operators_, 0x1FF);
  EXPECT_FALSE(ConsoleLogin("grace", "Grace-pw"));
  EXPECT_FALSE(ConsoleLogin("grace", ""));
  EXPECT_FALSE(ConsoleLogin("nobody", "grace-pw"));
  EXPECT_TRUE(LogOldestFirst().empty());
}

TEST_F(ConsoleLoginTest, UserWithoutGroupRowLogsInWithoutAnyRight) {
  AddUser("orphan", "orphan-pw", 999, 0x1FF);
  const auto user = ConsoleLogin("orphan", "orphan-pw");
  ASSERT_TRUE(user.has_value());
  EXPECT_EQ(user->effectiveAuthority, 0u);
  EXPECT_EQ(user->groupName, "");
  EXPECT_EQ(LogOldestFirst().size(), 1u);
}

TEST_F(ConsoleLoginTest, WithTheDomainLogonOnlyTheAdministratorNeedsNoDirectory) {
  AddUser("grace", "grace-pw", operators_, 0x1FF);
  SetDomainLogon(true);
  EXPECT_FALSE(ConsoleLogin("grace", "grace-pw"));
  EXPECT_TRUE(LogOldestFirst().empty());
  const auto user = ConsoleLogin("ADMINISTRATOR", kTestAdminPassword);
  ASSERT_TRUE(user.has_value());
  EXPECT_EQ(user->effectiveAuthority, 0x1FFu);
  EXPECT_EQ(user->groupName, "Administrator");
  ASSERT_EQ(LogOldestFirst().size(), 1u);
  EXPECT_EQ(LogOldestFirst()[0].strDetail, "ADMINISTRATOR User login");
}

}  // namespace
}  // namespace orlentis::testing
