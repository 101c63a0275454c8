#include "directory/login_cache.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <utility>

#include "access/password_digest.h"
#include "directory/account_lookup.h"
#include "directory/ip_filter.h"
#include "store/bound_statement.h"
#include "store/directory_version.h"
#include "store/engine.h"
#include "store/store_test.h"
#include "support/base/poll_until.h"
#include "support/store/each_engine.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

// Logins read through the cache of the reading thread, on each engine; on PostgreSQL with the
// watch of the directory's version running, as in a server.
class LoginCacheTest : public EachEngineTest {
 protected:
  void SetUp() override {
    EachEngineTest::SetUp();
    if (IsSkipped()) return;
    DirectoryVersionWatch::Instance().Start(CurrentDatabaseTarget());
    ASSERT_TRUE(WaitFor([] { return CurrentDirectoryVersion().has_value(); }));
    carol_ = AddUser("carol", "carol-pw", AddGroup("Viewers", 4, 0x05), 0x0F);
  }
  void TearDown() override { DirectoryVersionWatch::Instance().Stop(); }

  static bool WaitFor(const std::function<bool()>& condition) {
    return PollUntil(condition, std::chrono::seconds(3));
  }

  // As a server answers it: from what every thread knows, else on a reading thread.
  static HostLoginFacts Login(const std::string& password) {
    const std::string digest = PasswordDigest(password, false);
    const auto current = CurrentHostLogin("carol", digest, "127.0.0.1");
    return current ? *current : LookUpHostLogin("carol", digest, "127.0.0.1");
  }

  // A change made elsewhere: on another connection, as by another server or orlentis-admin.
  static void ChangeElsewhere(const std::string& sql) {
    const auto other = OpenSession(CurrentDatabaseTarget());
    BoundStatement(*other, sql).Execute();
  }

  void ChangeCarolsPasswordElsewhere(const std::string& password) const {
    ChangeElsewhere("UPDATE \"User\" SET strPassword = '" + PasswordDigest(password, false) +
                    "' WHERE nID = " + std::to_string(carol_));
  }

  std::int32_t carol_ = 0;
};

// A login answered from the cache follows every change made anywhere: a new password is taken
// and the old one refused, and a group's rights take effect, within moments.
TEST_P(LoginCacheTest, ChangesMadeElsewhereReachTheNextLogins) {
  ASSERT_TRUE(Login("carol-pw").succeeded);
  ASSERT_TRUE(Login("carol-pw").succeeded);
  EXPECT_FALSE(Login("new-pw").succeeded);
  ChangeCarolsPasswordElsewhere("new-pw");
  EXPECT_TRUE(WaitFor([] { return Login("new-pw").succeeded && !Login("carol-pw").succeeded; }));
  const std::uint32_t before = Login("new-pw").authority;
  ChangeElsewhere("UPDATE \"Group\" SET bsAuthority = 1 WHERE strName = 'Viewers'");
  EXPECT_TRUE(WaitFor([&] { return Login("new-pw").authority != before; }));
  EXPECT_EQ(Login("new-pw").authority, 0x01u);
}

// A login read once is then answered by any thread, without a session of its own, until a
// change is made elsewhere; on a SQLite file from the moment that change is committed.
TEST_P(LoginCacheTest, AKeptLoginServesEveryThreadUntilAChangeElsewhere) {
  const std::string digest = PasswordDigest("carol-pw", false);
  const auto keptOnOtherThread = [&digest] {
    return std::async(std::launch::async,
                      [&digest] {
                        auto kept = CurrentHostLogin("carol", digest, "127.0.0.1");
                        return std::pair(kept, ThreadSessionSerial());
                      })
        .get();
  };
  // On PostgreSQL the watch learns of the fixture's own writes a moment after them, and what a
  // login read before that is kept at a version already gone.
  ASSERT_TRUE(WaitFor([&] { return Login("carol-pw").succeeded && keptOnOtherThread().first; }));
  const auto [kept, session] = keptOnOtherThread();
  ASSERT_TRUE(kept);
  EXPECT_TRUE(kept->succeeded);
  EXPECT_EQ(kept->authority, 0x05u);
  EXPECT_EQ(session, 0u);
  ChangeCarolsPasswordElsewhere("new-pw");
  if (GetParam() == DatabaseEngine::kSqlite) {
    EXPECT_FALSE(CurrentHostLogin("carol", digest, "127.0.0.1"));
  }
  EXPECT_TRUE(WaitFor([&] { return !keptOnOtherThread().first; }));
  EXPECT_FALSE(Login("carol-pw").succeeded);
}

// A login already answered once on a reading thread costs no statement on PostgreSQL: that
// thread answers it again while another session holds every account locked, and any other
// thread answers it without a session. A password never read is left to a reading thread.
// SQLite's readers are never locked out, so this one runs on PostgreSQL only.
class WarmLoginCacheTest : public LoginCacheTest {};

TEST_P(WarmLoginCacheTest, AWarmLoginReadsNoTable) {
  std::promise<void> warmed;
  std::promise<void> locked;
  auto reader = std::async(std::launch::async, [&warmed, lockTaken = locked.get_future()] {
    const bool first = Login("carol-pw").succeeded;
    warmed.set_value();
    lockTaken.wait();
    const bool again = Login("carol-pw").succeeded;
    CloseThreadSession();
    return first && again;
  });
  warmed.get_future().wait();
  const auto locker = OpenSession(CurrentDatabaseTarget());
  BoundStatement(*locker, "BEGIN").Execute();
  BoundStatement(*locker, "LOCK TABLE \"User\" IN ACCESS EXCLUSIVE MODE").Execute();
  locked.set_value();
  const auto status = reader.wait_for(std::chrono::seconds(2));
  BoundStatement(*locker, "ROLLBACK").Execute();
  ASSERT_EQ(status, std::future_status::ready);
  EXPECT_TRUE(reader.get());
  const auto current = CurrentHostLogin("carol", PasswordDigest("carol-pw", false), "127.0.0.1");
  ASSERT_TRUE(current);
  EXPECT_TRUE(current->succeeded);
  EXPECT_EQ(current->authority, 0x05u);
  EXPECT_FALSE(CurrentHostLogin("carol", PasswordDigest("other-pw", false), "127.0.0.1"));
}

// A database restored from a backup counts its changes from an older number again. What was
// kept before is never taken for what that count means now, even once it is reached again.
TEST_P(WarmLoginCacheTest, ACountThatWentBackNeverMatchesWhatWasKept) {
  const std::string digest = PasswordDigest("carol-pw", false);
  ASSERT_TRUE(WaitFor([&] {
    return Login("carol-pw").succeeded && CurrentHostLogin("carol", digest, "127.0.0.1");
  }));
  const auto knownCount = [] {
    const auto known = DirectoryVersionWatch::Instance().Known();
    return known ? known->count : -1;
  };
  const std::int64_t kept = knownCount();
  ChangeElsewhere("UPDATE orlentis_directory_version SET version = version - 1");
  ChangeElsewhere("SELECT pg_notify('orlentis_directory', '')");
  ASSERT_TRUE(WaitFor([&] { return knownCount() == kept - 1; }));
  ChangeCarolsPasswordElsewhere("new-pw");
  ASSERT_TRUE(WaitFor([&] { return knownCount() == kept; }));
  EXPECT_FALSE(CurrentHostLogin("carol", digest, "127.0.0.1"));
  EXPECT_FALSE(Login("carol-pw").succeeded);
}

// The IP filter's ranges are kept the same way: a range added elsewhere decides the next
// admission.
TEST_P(LoginCacheTest, TheFilterRangesFollowChangesMadeElsewhere) {
  EXPECT_EQ(LookUpAddress(ReadFilterRanges(), "10.1.2.3"), RangeLookup::kOutside);
  EXPECT_EQ(LookUpAddress(ReadFilterRanges(), "10.1.2.3"), RangeLookup::kOutside);
  ChangeElsewhere(
      "INSERT INTO MaskIP (strDescription, strIPFrom, strIPTo) "
      "VALUES ('branch', '10.1.0.0', '10.1.255.255')");
  EXPECT_TRUE(WaitFor(
      [] { return LookUpAddress(ReadFilterRanges(), "10.1.2.3") == RangeLookup::kInside; }));
}

INSTANTIATE_TEST_SUITE_P(Engines, LoginCacheTest, EachEngine(), EngineName);
INSTANTIATE_TEST_SUITE_P(Engines, WarmLoginCacheTest, ::testing::Values(DatabaseEngine::kPostgres),
                         EngineName);

}  // namespace
}  // namespace orlentis::testing
