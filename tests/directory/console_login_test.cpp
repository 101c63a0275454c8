#include "directory/console_login.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/clock.h"
#include "base/settings.h"
#include "store/bound_statement.h"
#include "store/database_maintenance.h"
#include "store/engine.h"
#include "support/store/postgres_server.h"
#include "support/store/store_rows.h"
#include "support/store/temp_database.h"

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

// Guessing one name's password at the console is held back: after ten failures (the default)
// that name, in any letter case, fails even with its password until the cool-down is over;
// other names are not touched, and the episode is logged once with the name as its source.
TEST_F(ConsoleLoginTest, GuessingOneNameIsHeldBackForTheCoolDown) {
  ManualClock clock(1'000'000);
  SetCurrentClock(&clock);
  AddUser("grace", "grace-pw", operators_, 0x047);
  AddUser("heidi", "heidi-pw", operators_, 0x047);
  for (int guess = 0; guess < 10; ++guess) EXPECT_FALSE(ConsoleLogin("grace", "guess"));
  EXPECT_FALSE(ConsoleLogin("GRACE", "grace-pw"));
  EXPECT_TRUE(ConsoleLogin("heidi", "heidi-pw"));
  const auto log = LogOldestFirst();
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const LogRow& entry) { return entry.strSource == "grace"; }),
            1);
  clock.AdvanceSeconds(300);
  EXPECT_TRUE(ConsoleLogin("grace", "grace-pw"));
  SetCurrentClock(nullptr);
}

// Where servers share a PostgreSQL database, guesses at the other servers' consoles count
// here too: with nine counted there, this console's first wrong password reaches the limit.
TEST(ConsoleSharedThrottleTest, GuessesAtOtherServersConsolesCountHere) {
  if (!PostgresServer::BinaryFolder()) GTEST_SKIP() << "PostgreSQL is not installed";
  ManualClock clock(2'000'000);
  SetCurrentClock(&clock);
  Settings::Instance().SetPreferences(PreferenceBlock{});
  const TempDatabase database(DatabaseEngine::kPostgres);
  AddUser("ivan", "ivan-pw", GroupIdByName("Operator"), 0x047);
  const double now = static_cast<double>(clock.Now());
  BoundStatement(ThreadSession(),
                 "INSERT INTO orlentis_login_failure (key, window_start, failures) "
                 "VALUES ('console ivan', :start, 9)")
      .Use(now)
      .Execute();
  EXPECT_FALSE(ConsoleLogin("Ivan", "guess"));
  EXPECT_FALSE(ConsoleLogin("ivan", "ivan-pw"));
  clock.AdvanceSeconds(300);
  EXPECT_TRUE(ConsoleLogin("ivan", "ivan-pw"));
  SetCurrentClock(nullptr);
}

}  // namespace
}  // namespace orlentis::testing
