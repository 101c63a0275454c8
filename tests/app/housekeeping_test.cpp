#include "app/housekeeping.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "app/server.h"
#include "base/clock.h"
#include "base/settings.h"
#include "store/database_maintenance.h"
#include "support/net/net_test_server.h"
#include "support/net/recorder_wire.h"

namespace orlentis::testing {
namespace {

// Sweeps are posted onto the worker; a task run there afterwards has seen them all.
std::size_t ListedAfterPostedSweeps(NetTestServer& server) {
  return server.ListedConnections();
}

TEST(HousekeepingTest, EverySweepTickSweepsDeadConnections) {
  NetTestServer server;
  Housekeeping housekeeping(&server.Worker());
  WireClient client = server.Connect();
  ASSERT_TRUE(client.Send(CheckIn("CheckHostExist")));
  ASSERT_TRUE(ReceiveStatus(client).has_value());
  housekeeping.OnSweepTimer();
  EXPECT_EQ(ListedAfterPostedSweeps(server), 0u);
  EXPECT_TRUE(client.WaitForClose());
}

TEST(HousekeepingTest, EveryTwentiethSweepTickAlsoExpiresIdleConnections) {
  NetTestServer server;
  Housekeeping housekeeping(&server.Worker());
  WireClient silent = server.Connect();
  ASSERT_TRUE(server.WaitForListedConnections(1));
  for (int tick = 1; tick < Housekeeping::kSweepTicksPerExpirySweep; ++tick) {
    housekeeping.OnSweepTimer();
  }
  EXPECT_EQ(ListedAfterPostedSweeps(server), 1u);
  housekeeping.OnSweepTimer();
  EXPECT_EQ(ListedAfterPostedSweeps(server), 0u);
  EXPECT_TRUE(silent.WaitForClose());
}

TEST(HousekeepingTest, HourlyTimerRunsTheMaintenanceOnlyWhenDue) {
  NetTestServer server;
  Housekeeping housekeeping(&server.Worker());
  DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  const double last = maintenance.LastMaintenance();
  housekeeping.OnMaintenanceTimer();
  EXPECT_EQ(maintenance.LastMaintenance(), last);
  // The default interval is one day.
  server.Clock().AdvanceSeconds(24 * 3600);
  housekeeping.OnMaintenanceTimer();
  EXPECT_EQ(maintenance.LastMaintenance(), NowOleDate());
}

bool WaitUntil(const std::function<bool()>& condition) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// The window's hourly timer: the maintenance waits and compacts beside the window's thread,
// which goes on at once, and a tick meanwhile neither waits for it nor starts another.
TEST(HousekeepingTest, TheWindowsHourlyTimerRunsTheMaintenanceOnAThreadOfItsOwn) {
  NetTestServer net;
  Server server(Settings::Instance(), WorkerOptions{});
  DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  maintenance.SetStartupFinished();
  std::promise<void> timerReturned;
  const std::shared_future<void> returned = timerReturned.get_future().share();
  std::atomic<int> waits{0};
  std::thread::id waitedOn;
  bool returnedWhileWaiting = false;
  maintenance.SetCompactionWait([&](std::chrono::milliseconds) {
    ++waits;
    waitedOn = std::this_thread::get_id();
    returnedWhileWaiting = returned.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  });
  net.Clock().AdvanceSeconds(24 * 3600);
  server.OnMaintenanceTimer();
  server.OnMaintenanceTimer();
  timerReturned.set_value();
  ASSERT_TRUE(WaitUntil([&] { return maintenance.LastMaintenance() == NowOleDate(); }));
  EXPECT_TRUE(returnedWhileWaiting);
  EXPECT_NE(waitedOn, std::this_thread::get_id());
  EXPECT_EQ(waits.load(), 1);
  maintenance.SetCompactionWait([](std::chrono::milliseconds) {});
}

TEST(HousekeepingScheduleTest, RunsEachTimerOnItsPeriodWithoutCatchingUp) {
  NetTestServer server;
  Housekeeping housekeeping(&server.Worker());
  using std::chrono::seconds;
  const auto start = std::chrono::steady_clock::time_point{} + seconds(1000);
  HousekeepingSchedule schedule(start);
  EXPECT_EQ(schedule.TimeUntilNextTimer(start), seconds(30));

  WireClient silent = server.Connect();
  ASSERT_TRUE(server.WaitForListedConnections(1));
  // Ten minutes late: one tick, not twenty, so the expiry sweep has not come yet.
  schedule.RunDueTimers(housekeeping, start + seconds(600));
  EXPECT_EQ(ListedAfterPostedSweeps(server), 1u);
  EXPECT_EQ(schedule.TimeUntilNextTimer(start + seconds(600)), seconds(30));
  for (int tick = 2; tick <= Housekeeping::kSweepTicksPerExpirySweep; ++tick) {
    schedule.RunDueTimers(housekeeping, start + seconds(600 + 30 * (tick - 1)));
  }
  EXPECT_EQ(ListedAfterPostedSweeps(server), 0u);
}

}  // namespace
}  // namespace orlentis::testing
