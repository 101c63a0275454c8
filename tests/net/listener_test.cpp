#include <gtest/gtest.h>
#include <sys/resource.h>

#include <future>
#include <thread>
#include <vector>

#include "net/network_worker.h"
#include "store/database_maintenance.h"
#include "support/net_test_server.h"
#include "support/recorder_wire.h"

namespace orlentis::testing {
namespace {

constexpr std::int64_t kMinute = 60;

// Each connection costs the test process two descriptors, the client's and the server's.
bool RaiseDescriptorLimit(rlim_t wanted) {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return false;
  if (limit.rlim_cur >= wanted) return true;
  if (limit.rlim_max < wanted) return false;
  limit.rlim_cur = wanted;
  return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

TEST(ListenerTest, The2049thConnectionIsClosedAtOnceAndOneIsAdmittedAfterASweep) {
  if (!RaiseDescriptorLimit(4300)) GTEST_SKIP() << "needs 4300 file descriptors";
  NetTestServer server;
  std::vector<WireClient> clients;
  clients.reserve(2048);
  for (int i = 0; i < 2048; ++i) {
    clients.emplace_back(server.Port());
    ASSERT_TRUE(clients.back().Connected());
  }
  ASSERT_TRUE(server.WaitForListedConnections(2048));

  WireClient refused = server.Connect();
  EXPECT_TRUE(refused.WaitForClose());
  EXPECT_EQ(server.ListedConnections(), 2048u);

  // A peer leaves: its connection is marked dead, and the next accept sweeps it first.
  clients.pop_back();
  ASSERT_TRUE(server.WaitForFailures(1));
  WireClient admitted = server.Connect();
  RegisterByAccountCheck(admitted);
  EXPECT_EQ(server.ListedConnections(), 2048u);
}

TEST(ListenerTest, WhileMaintenanceRunsAcceptedConnectionsAreClosedAtOnce) {
  NetTestServer server;
  DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  std::promise<void> compactionWaiting;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  maintenance.SetStartupFinished();
  maintenance.SetCompactionWait([&](std::chrono::milliseconds) {
    compactionWaiting.set_value();
    released.wait();
  });
  std::thread running([&] { maintenance.RunMaintenance(); });
  compactionWaiting.get_future().wait();

  WireClient refused = server.Connect();
  EXPECT_TRUE(refused.WaitForClose());

  release.set_value();
  running.join();
  maintenance.SetCompactionWait([](std::chrono::milliseconds) {});
  WireClient admitted = server.Connect();
  RegisterByAccountCheck(admitted);
}

TEST(ListenerTest, PortInUseLeavesTheWorkerRunningWithoutAListener) {
  NetTestServer server;
  WorkerOptions options;
  options.bindAddress = "127.0.0.1";
  options.port = server.Port();
  options.settings = &server.ProgramSettings();
  NetworkWorker second(options);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(second.Start());
  const std::string error = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(second.Port(), 0);
  EXPECT_NE(error.find("cannot listen on 127.0.0.1:" + std::to_string(server.Port())),
            std::string::npos);
  EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1);
  second.Stop();
  // The first listener is untouched.
  WireClient client = server.Connect();
  RegisterByAccountCheck(client);
}

TEST(ExpiryTest, IdleFor59MinutesSurvivesAndFor61DoesNot) {
  NetTestServer server;
  WireClient client = server.Connect();
  RegisterByAccountCheck(server, client);
  server.Clock().AdvanceSeconds(59 * kMinute);
  server.SweepExpiredConnections();
  EXPECT_EQ(server.ListedConnections(), 1u);
  server.Clock().AdvanceSeconds(2 * kMinute);
  server.SweepExpiredConnections();
  EXPECT_TRUE(client.WaitForClose());
  EXPECT_EQ(server.ListedConnections(), 0u);
}

TEST(ExpiryTest, AConnectionThatNeverSendsGoesAtTheFirstExpirySweep) {
  NetTestServer server;
  WireClient client = server.Connect();
  ASSERT_TRUE(server.WaitForListedConnections(1));
  server.SweepExpiredConnections();
  EXPECT_TRUE(client.WaitForClose());
  EXPECT_EQ(server.ListedConnections(), 0u);
}

TEST(ExpiryTest, EveryRequestRenewsTheDeadline) {
  NetTestServer server;
  WireClient client = server.Connect();
  RegisterByAccountCheck(server, client);
  server.Clock().AdvanceSeconds(59 * kMinute);
  ASSERT_TRUE(server.SendAndWaitTaken(client, Block(CMD_KEEPALIVE, status_layout::kSize)));
  ASSERT_TRUE(client.ReceiveExactly(status_layout::kSize).has_value());
  server.Clock().AdvanceSeconds(59 * kMinute);
  server.SweepExpiredConnections();
  EXPECT_EQ(server.ListedConnections(), 1u);
  ExpectKeepAliveEchoed(client);
}

TEST(ExpiryTest, DeadConnectionsAreLeftToTheDeadConnectionSweep) {
  NetTestServer server;
  WireClient client = server.Connect();
  ASSERT_TRUE(client.Send(CheckIn("CheckHostExist")));
  ASSERT_TRUE(ReceiveStatus(client).has_value());
  server.SweepExpiredConnections();
  EXPECT_EQ(server.ListedConnections(), 1u);
  server.SweepDeadConnections();
  EXPECT_TRUE(client.WaitForClose());
  EXPECT_EQ(server.ListedConnections(), 0u);
}

// A peer that stops in the middle of an exchange holds up nobody else: the server waits for
// its acknowledgement while other peers are served, and the stalled exchange is still open
// afterwards, so nothing waited out its transfer limit.
TEST(StalledPeerTest, DoesNotDelayOtherPeers) {
  NetTestServer server;
  WireClient stalled = server.Connect();
  RegisterByAccountCheck(stalled);
  ASSERT_TRUE(stalled.Send(Block(CMD_USER_LIST, user_layout::kSize)));
  ASSERT_TRUE(stalled.ReceiveExactly(user_layout::kSize).has_value());

  WireClient other = server.Connect();
  RegisterByAccountCheck(other);
  for (int i = 0; i < 3; ++i) ExpectKeepAliveEchoed(other);
  WireClient checker = server.Connect();
  ASSERT_TRUE(checker.Send(CheckIn("CheckHostExist")));
  const auto checked = ReceiveStatus(checker);
  ASSERT_TRUE(checked.has_value());
  EXPECT_EQ(checked->word, RSP_OK);

  auto acknowledgement = Block(CMD_KEEPALIVE, status_layout::kSize);
  acknowledgement[4] ^= 0xFF;
  ASSERT_TRUE(server.SendAndWaitTaken(stalled, acknowledgement));
  ExpectKeepAliveEchoed(stalled);
}

TEST(TransferLimitTest, AnAcknowledgementThatNeverComesEndsTheConnection) {
  NetTestServer server;
  WireClient stalled = server.Connect();
  RegisterByAccountCheck(stalled);
  ASSERT_TRUE(stalled.Send(Block(CMD_USER_LIST, user_layout::kSize)));
  ASSERT_TRUE(stalled.ReceiveExactly(user_layout::kSize).has_value());
  EXPECT_TRUE(stalled.WaitForClose(3 * 5000));
  server.SweepDeadConnections();
  EXPECT_EQ(server.ListedConnections(), 0u);
}

}  // namespace
}  // namespace orlentis::testing
