#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "admin_run.h"
#include "base/clock.h"
#include "directory/code_page_password.h"
#include "peer_run.h"
#include "store/bound_statement.h"
#include "store/engine.h"
#include "support/app/listening_home.h"
#include "support/app/orlentis_process.h"
#include "support/base/child_process.h"
#include "support/base/temp_folder.h"
#include "support/store/each_engine.h"
#include "support/store/write_lock_holder.h"

namespace orlentis::testing {
namespace {

constexpr int kModifies = 60;
constexpr int kStaleRounds = 25;

// A headless server, orlentis-admin beside it, and this test reading the database as a third
// program would.
class BusyDirectoryTest : public OnEachEngineTest {
 protected:
  void SetUp() override {
    OnEachEngineTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(WriteListenSettings(home_.Path(), port_));
    SetDatabaseTarget(UseFreshDatabase(home_.Path(), Engine()));
    server_ = std::make_unique<ChildProcess>(HeadlessLaunch(home_.Path()));
    ASSERT_TRUE(AnswersHostCheck(port_, kAdminRunLimitMs)) << server_->ErrorOutput();
    ExpectDone({"user", "add", "alice", "--group", "Operator", "--password-stdin"}, "alice-pw\n");
  }
  void TearDown() override { CloseThreadSession(); }

  AdminRun Admin(std::vector<std::string> arguments, const std::string& input = {}) {
    return RunAdminTool(home_.Path(), std::move(arguments), input);
  }
  void ExpectDone(std::vector<std::string> arguments, const std::string& input = {}) {
    const auto run = Admin(arguments, input);
    EXPECT_EQ(run.status, 0) << arguments[0] << " " << arguments[1] << ": " << run.error;
  }

  struct SiteState {
    bool online = false;
    double checkIn = 0;
  };
  SiteState Site(const std::string& name) {
    SiteState state;
    int online = 0;
    BoundStatement(ThreadSession(), "SELECT bOnline, dCheckInTime FROM Site WHERE strSiteName = :n")
        .Use(name)
        .Into(online)
        .Into(state.checkIn)
        .Execute();
    state.online = online != 0;
    return state;
  }

  // PostgreSQL's names compare without case, a collation LIKE does not take: the prefix is
  // compared whole instead.
  bool WaitForOnlineSites(const std::string& prefix, int count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    const int length = static_cast<int>(prefix.size());
    int online = 0;
    while (online < count && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      BoundStatement(
          ThreadSession(),
          "SELECT COUNT(*) FROM Site WHERE bOnline <> 0 AND substr(strSiteName, 1, :l) = :p")
          .Use(length)
          .Use(prefix)
          .Into(online)
          .Execute();
    }
    return online >= count;
  }

  bool ServerRepaired() const { return server_->ErrorOutput().find("repair") != std::string::npos; }

  TempFolder home_;
  std::uint16_t port_ = FreePort();
  std::unique_ptr<ChildProcess> server_;
};

// The file's write lock, held by another program, is SQLite's alone.
class BusyDirectoryLockTest : public BusyDirectoryTest {};

// A write that cannot have the lock within the busy timeout changes nothing, says so, and never
// prints what it would have written.
TEST_P(BusyDirectoryLockTest, AWriteLockedOutPastTheTimeoutIsBusyAndShowsNoDigest) {
  {
    const WriteLockHolder lock(home_ / kDatabaseFileName, std::chrono::seconds(12));
    ASSERT_TRUE(lock.Holding());
    const auto run = Admin({"user", "passwd", "alice", "--password-stdin"}, "Secret-1\n");
    EXPECT_EQ(run.status, 1) << run.error;
    EXPECT_NE(run.error.find("the database is busy, try again"), std::string::npos) << run.error;
    EXPECT_EQ(run.error.find(*CodePagePasswordDigest("Secret-1")), std::string::npos) << run.error;
  }
  EXPECT_EQ(
      RunPeerCommand("host-login", port_, {"--user", "alice", "--password", "alice-pw"}).status,
      peer::PeerStatus::kOk);
  ExpectDone({"user", "passwd", "alice", "--password-stdin"}, "Secret-1\n");
  EXPECT_FALSE(ServerRepaired()) << server_->ErrorOutput();
}

// Recorders that check in without pause keep the server's writer committing group after
// group; an administrator's change still gets its turn every time.
TEST_P(BusyDirectoryTest, EveryModifyBesideRecordersCheckingInIsDone) {
  ChildProcess recorders({ORLENTIS_PEER_BINARY,
                          {"bench", "--exchange", "site-checkin", "--connections", "12",
                           "--cameras", "16", "--duration", "300", "--port", std::to_string(port_)},
                          {},
                          {}});
  ASSERT_TRUE(WaitForOnlineSites("bench-site-", 12)) << recorders.ErrorOutput();
  int failed = 0;
  std::string lastError;
  for (int round = 0; round < kModifies; ++round) {
    const auto run =
        Admin({"user", "modify", "alice", "--description", "round " + std::to_string(round)});
    if (run.status != 0) {
      ++failed;
      lastError = run.error;
    }
  }
  const bool recordersStillRan = !recorders.Wait(0).has_value();
  recorders.Signal(SIGKILL);
  EXPECT_TRUE(recordersStillRan) << recorders.ErrorOutput();
  EXPECT_EQ(failed, 0) << lastError;
  EXPECT_NE(Admin({"user", "show", "alice"}).output.find("round " + std::to_string(kModifies - 1)),
            std::string::npos);
  EXPECT_FALSE(ServerRepaired()) << server_->ErrorOutput();
}

// The listing takes stale sites off line while the site checks in again: whichever comes
// first, the acknowledged check-in stands.
TEST_P(BusyDirectoryTest, AStaleSiteCheckingInIsNeverLeftOfflineByAListing) {
  const auto checkIn = [this] {
    return RunPeerCommand("site-checkin", port_, {"--name", "Lobby"}).status;
  };
  ASSERT_EQ(checkIn(), peer::PeerStatus::kOk);
  for (int round = 0; round < kStaleRounds; ++round) {
    const double stale = NowOleDate() - 1.0;
    BoundStatement(ThreadSession(), "UPDATE Site SET dCheckInTime = :t WHERE strSiteName = 'Lobby'")
        .Use(stale)
        .Execute();
    ChildProcess listing({ORLENTIS_ADMIN_BINARY,
                          {"--home", home_.Path().string(), "site", "list", "--online"},
                          {},
                          {}});
    ASSERT_EQ(checkIn(), peer::PeerStatus::kOk);
    ASSERT_EQ(listing.Wait(kAdminRunLimitMs), 0) << listing.ErrorOutput();
    const SiteState site = Site("Lobby");
    EXPECT_TRUE(site.online) << "round " << round;
    EXPECT_GT(site.checkIn, stale) << "round " << round;
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, BusyDirectoryTest, EachEngine(), EngineName);
INSTANTIATE_TEST_SUITE_P(Engines, BusyDirectoryLockTest, ::testing::Values(DatabaseEngine::kSqlite),
                         EngineName);

}  // namespace
}  // namespace orlentis::testing
