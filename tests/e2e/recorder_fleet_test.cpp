#include "recorder_fleet.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "store/bound_statement.h"
#include "store/engine.h"
#include "support/app/listening_home.h"
#include "support/app/orlentis_process.h"
#include "support/base/poll_until.h"
#include "support/base/temp_folder.h"

namespace orlentis::testing {
namespace {

constexpr int kRecorders = 24;
constexpr int kCameras = 2;

// The fleet's tallies as they come, for the test's thread to wait on.
class TallyBoard {
 public:
  bool Post(const peer::FleetTally& tally) {
    const std::lock_guard lock(mutex_);
    latest_ = tally;
    return !stop_;
  }
  void Stop() {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  // Polls until the latest tally satisfies condition, for at most 30 s.
  bool WaitFor(const std::function<bool(const peer::FleetTally&)>& condition) {
    return PollUntil(
        [&] {
          const std::lock_guard lock(mutex_);
          return condition(latest_);
        },
        std::chrono::seconds(30));
  }
  std::string Latest() {
    const std::lock_guard lock(mutex_);
    return peer::FleetTallyLine(latest_);
  }

 private:
  std::mutex mutex_;
  peer::FleetTally latest_;
  bool stop_ = false;
};

int Count(soci::session& session, const std::string& sql) {
  int count = 0;
  BoundStatement(session, sql).Into(count).Execute();
  return count;
}

// A server killed with SIGKILL costs each of its recorders one reconnect: every one notices,
// retries until a server answers on the address again, and checks in as the same site.
TEST(RecorderFleetTest, EveryRecorderChecksInAgainAfterItsServerIsKilled) {
  TempFolder home;
  const std::uint16_t port = FreePort();
  ASSERT_TRUE(WriteListenSettings(home.Path(), port));
  auto server = std::make_unique<ChildProcess>(HeadlessLaunch(home.Path()));
  ASSERT_TRUE(AnswersHostCheck(port, 30000)) << server->ErrorOutput();

  peer::FleetSettings settings;
  settings.connection.port = port;
  settings.connection.timeout = std::chrono::milliseconds(10000);
  settings.recorders = kRecorders;
  settings.name = "Fleet recorder";
  settings.cameras = kCameras;
  settings.keepAliveInterval = std::chrono::milliseconds(200);
  settings.firstRetry = std::chrono::milliseconds(100);
  settings.longestRetry = std::chrono::milliseconds(800);
  settings.tallyInterval = std::chrono::milliseconds(50);
  TallyBoard board;
  peer::FleetTally last;
  std::thread fleet([&] {
    last = peer::RunFleet(settings, nullptr,
                          [&board](const peer::FleetTally& tally) { return board.Post(tally); });
  });

  const bool allIn = board.WaitFor([](const auto& t) { return t.checkedIn == kRecorders; });
  EXPECT_TRUE(allIn) << board.Latest();
  if (allIn) {
    server->Signal(SIGKILL);
    EXPECT_EQ(server->Wait(10000), 128 + SIGKILL);
    EXPECT_TRUE(board.WaitFor([](const auto& t) { return t.lost == kRecorders; }))
        << board.Latest();
    server = std::make_unique<ChildProcess>(HeadlessLaunch(home.Path()));
    EXPECT_TRUE(board.WaitFor([](const auto& t) {
      return t.back == kRecorders && t.checkedIn == kRecorders;
    })) << board.Latest();
  }
  board.Stop();
  fleet.join();
  server->Signal(SIGTERM);
  ASSERT_EQ(server->Wait(20000), 0) << server->ErrorOutput();

  EXPECT_EQ(last.everCheckedIn, kRecorders);
  EXPECT_EQ(last.lost, kRecorders);
  EXPECT_EQ(last.back, kRecorders);
  EXPECT_GT(last.longestBackSeconds, 0.0);
  const auto database = OpenReadOnlySession(home.Path() / "OrlentisDB.db");
  EXPECT_EQ(Count(*database, "SELECT COUNT(*) FROM Site WHERE strSiteName LIKE 'Fleet recorder %'"),
            kRecorders);
  EXPECT_EQ(Count(*database, "SELECT COUNT(*) FROM Camera WHERE bExistence = 1"),
            kRecorders * kCameras);
}

}  // namespace
}  // namespace orlentis::testing
