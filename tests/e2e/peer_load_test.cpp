#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "latency_stats.h"
#include "load_run.h"
#include "peer_run.h"
#include "seed.h"
#include "support/app/listening_home.h"
#include "support/base/child_process.h"
#include "support/net/recorder_services_server.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

using peer::PeerStatus;
using std::chrono::nanoseconds;

TEST(LatencySamplesTest, NearestRankPercentilesOfKnownSamples) {
  peer::LatencySamples samples;
  std::vector<int> values(100);
  std::iota(values.begin(), values.end(), 1);
  std::shuffle(values.begin(), values.end(), std::mt19937(7));
  for (const int value : values) samples.Add(nanoseconds(value));
  EXPECT_EQ(samples.Count(), 100u);
  EXPECT_EQ(samples.Percentile(0.50), nanoseconds(50));
  EXPECT_EQ(samples.Percentile(0.99), nanoseconds(99));
  EXPECT_EQ(samples.Percentile(0.07), nanoseconds(7));
  EXPECT_EQ(samples.Percentile(1.0), nanoseconds(100));
  EXPECT_EQ(samples.Max(), nanoseconds(100));
}

TEST(LatencySamplesTest, SmallAndMergedSampleSets) {
  peer::LatencySamples empty;
  EXPECT_EQ(empty.Percentile(0.99), nanoseconds(0));
  EXPECT_EQ(empty.Max(), nanoseconds(0));

  peer::LatencySamples one;
  one.Add(nanoseconds(42));
  EXPECT_EQ(one.Percentile(0.5), nanoseconds(42));
  EXPECT_EQ(one.Percentile(0.99), nanoseconds(42));

  // One slow request in ten: the median does not see it, p99 and the maximum do.
  peer::LatencySamples merged;
  for (int i = 0; i < 9; ++i) merged.Add(nanoseconds(10));
  EXPECT_EQ(merged.Percentile(0.5), nanoseconds(10));
  one.Add(nanoseconds(1000));
  merged.Merge(one);
  EXPECT_EQ(merged.Count(), 11u);
  EXPECT_EQ(merged.Percentile(0.5), nanoseconds(10));
  EXPECT_EQ(merged.Percentile(0.99), nanoseconds(1000));
  EXPECT_EQ(merged.Max(), nanoseconds(1000));
}

TEST(FailureCountsTest, CountsByStatusAndMerges) {
  peer::FailureCounts first;
  first.Add(PeerStatus::kTimeout);
  first.Add(PeerStatus::kTimeout);
  peer::FailureCounts second;
  second.Add(PeerStatus::kRefused);
  first.Merge(second);
  EXPECT_EQ(first.Of(PeerStatus::kTimeout), 2u);
  EXPECT_EQ(first.Of(PeerStatus::kRefused), 1u);
  EXPECT_EQ(first.Of(PeerStatus::kMalformed), 0u);
  EXPECT_EQ(first.Total(), 3u);
}

class LoadRunTest : public RecorderServicesOnEachEngineTest {
 protected:
  peer::LoadSettings Settings(peer::LoadExchange exchange, int connections, int requests) {
    peer::LoadSettings settings;
    settings.connection.port = Server().Net().Port();
    settings.connection.timeout = std::chrono::milliseconds(20000);
    settings.exchange = exchange;
    settings.connections = connections;
    settings.requestLimit = static_cast<std::uint64_t>(requests);
    settings.duration = std::chrono::seconds(300);
    settings.users = 3;
    settings.cameras = 2;
    return settings;
  }
};

// The server writes one "Site checkin" log row per check-in: its count is the server's own
// count of what the load run says it did.
TEST_P(LoadRunTest, CountsExactlyTheCheckInsTheServerLogged) {
  const auto report = peer::RunLoad(Settings(peer::LoadExchange::kSiteCheckIn, 3, 300));
  EXPECT_EQ(report.requests, 300u);
  EXPECT_EQ(report.failures.Total(), 0u);
  EXPECT_EQ(report.connectionsFailed, 0);
  EXPECT_GT(report.p99, nanoseconds(0));
  EXPECT_LE(report.p50, report.p99);
  EXPECT_LE(report.p99, report.max);
  const auto logs = LogOldestFirst();
  EXPECT_EQ(std::count_if(logs.begin(), logs.end(),
                          [](const LogRow& row) { return row.strAction == "Site checkin"; }),
            300);
  EXPECT_EQ(CountRows("Site"), 3) << "each connection checks in its own site";
}

TEST_P(LoadRunTest, SeededUsersLogInUnderTheMix) {
  ASSERT_EQ(RunPeerCommand("instance-checkin", Server().Net().Port(), {"--instance", "0"}).status,
            PeerStatus::kOk);
  peer::SeedSettings seed;
  seed.home = Server().Net().Program().Folder().Path();
  seed.users = 3;
  const auto seeded = peer::SeedAccounts(seed);
  EXPECT_EQ(seeded.usersAdded, 3);
  EXPECT_EQ(seeded.permissionsAdded, 3) << "one instance at 127.0.0.1 for each user";
  EXPECT_EQ(peer::SeedAccounts(seed).usersUpdated, 3) << "a second seed adds nothing";

  const auto login = RunPeerCommand("host-login", Server().Net().Port(),
                                    {"--user", "bench-user-2", "--password", "bench-password"});
  ASSERT_EQ(login.status, PeerStatus::kOk) << login.message;
  EXPECT_EQ(login.transcript.Entries().back().record, "HostSiteEntry");

  const auto report = peer::RunLoad(Settings(peer::LoadExchange::kMix, 4, 200));
  EXPECT_EQ(report.requests, 200u);
  EXPECT_EQ(report.failures.Total(), 0u);
}

TEST_P(LoadRunTest, RefusedRequestsAreCountedAsFailuresNotAnswers) {
  // No user was seeded: every host login is refused.
  const auto report = peer::RunLoad(Settings(peer::LoadExchange::kHostLogin, 2, 20));
  EXPECT_EQ(report.requests, 0u);
  EXPECT_EQ(report.failures.Of(PeerStatus::kRefused), 20u);
}

// bench/run's reference: the bare echo answers every keep-alive with the record itself, which
// only --echo takes as an answer; a normal run cannot even register there.
TEST(EchoLoadTest, OnlyEchoRunsTakeTheBareEchoAsAnAnswer) {
  const std::uint16_t port = FreePort();
  ChildProcess echo({ECHO_SERVER_BINARY, {std::to_string(port)}, {}, {}});
  ASSERT_TRUE(echo.WaitForError("listening", 10000)) << echo.ErrorOutput();
  peer::LoadSettings settings;
  settings.connection.port = port;
  settings.connection.timeout = std::chrono::milliseconds(20000);
  settings.connections = 8;
  settings.requestLimit = 400;
  settings.duration = std::chrono::seconds(300);
  settings.echo = true;
  const auto echoed = peer::RunLoad(settings);
  EXPECT_EQ(echoed.requests, 400u);
  EXPECT_EQ(echoed.failures.Total(), 0u);
  EXPECT_EQ(echoed.connectionsFailed, 0);

  settings.echo = false;
  settings.duration = std::chrono::seconds(1);
  const auto registered = peer::RunLoad(settings);
  EXPECT_EQ(registered.requests, 0u);
  EXPECT_EQ(registered.connectionsFailed, 8) << "the account check comes back as itself";
}

INSTANTIATE_TEST_SUITE_P(Engines, LoadRunTest, EachEngine(), EngineName);

}  // namespace
}  // namespace orlentis::testing
