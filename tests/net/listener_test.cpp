#include "net/listener.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <fstream>
#include <future>
#include <thread>
#include <vector>

#include "net/network_worker.h"
#include "store/database_maintenance.h"
#include "support/net/net_test_server.h"
#include "support/net/recorder_wire.h"

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

// Sets SECURITY/MAXCONNPERADDRESS in the server's settings file and reads it again.
void SetConnectionsPerAddress(NetTestServer& server, int limit) {
  Settings& settings = server.ProgramSettings();
  std::ofstream(settings.Path(), std::ios::app)
      << "\n[SECURITY]\nMAXCONNPERADDRESS=" << limit << "\n";
  settings.Reload();
}

// Fills every place with connections from 127.0.0.1; the first `served` of them register.
std::vector<WireClient> FillEveryPlace(NetTestServer& server, int served) {
  std::vector<WireClient> clients;
  clients.reserve(Listener::kMaxLiveConnections);
  for (std::size_t i = 0; i < Listener::kMaxLiveConnections; ++i) {
    clients.emplace_back(server.Port());
    if (static_cast<int>(i) < served) RegisterByAccountCheck(clients.back());
  }
  EXPECT_TRUE(server.WaitForListedConnections(Listener::kMaxLiveConnections));
  return clients;
}

TEST(ListenerTest, WhenEveryPlaceHasSpokenThe2049thIsClosedAndOneIsAdmittedAfterASweep) {
  if (!RaiseDescriptorLimit(4300)) GTEST_SKIP() << "needs 4300 file descriptors";
  NetTestServer server;
  SetConnectionsPerAddress(server, 0);
  std::vector<WireClient> clients = FillEveryPlace(server, 2048);

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

// One host that opens every place and sends nothing cannot lock the recorders out: a new
// connection takes the place of the one silent longest, and a registered recorder keeps its.
TEST(ListenerTest, WhenEveryPlaceIsTakenTheLongestSilentNeverServedConnectionMakesRoom) {
  if (!RaiseDescriptorLimit(4300)) GTEST_SKIP() << "needs 4300 file descriptors";
  NetTestServer server;
  SetConnectionsPerAddress(server, 0);
  std::vector<WireClient> clients = FillEveryPlace(server, 1);

  WireClient newcomer = server.Connect();
  RegisterByAccountCheck(newcomer);
  EXPECT_TRUE(clients[1].WaitForClose());
  EXPECT_FALSE(clients[2].WaitForClose(100));
  ExpectKeepAliveEchoed(clients[0]);
  EXPECT_EQ(server.ListedConnections(), 2048u);
}

TEST(ListenerTest, NoAddressHoldsMoreThanItsShareOfConnections) {
  NetTestServer server;
  SetConnectionsPerAddress(server, 3);
  std::vector<WireClient> clients;
  for (int i = 0; i < 3; ++i) clients.emplace_back(server.Port());
  ASSERT_TRUE(server.WaitForListedConnections(3));
  WireClient fourth = server.Connect();
  EXPECT_TRUE(fourth.WaitForClose());
  WireClient elsewhere(server.Port(), "127.0.0.2");
  ASSERT_TRUE(elsewhere.Connected());
  RegisterByAccountCheck(elsewhere);
  // A place given back is free for the address again.
  clients.pop_back();
  ASSERT_TRUE(server.WaitForFailures(1));
  WireClient again = server.Connect();
  RegisterByAccountCheck(again);
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
