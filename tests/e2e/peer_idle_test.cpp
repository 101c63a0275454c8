#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "command_line.h"
#include "directory/ip_filter.h"
#include "idle_peers.h"
#include "peer_run.h"
#include "support/net/recorder_services_server.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

using peer::PeerStatus;

class IdlePeersTest : public RecorderServicesOnEachEngineTest {
 protected:
  peer::IdleSettings Settings(int connections) {
    peer::IdleSettings settings;
    settings.connection.port = Server().Net().Port();
    settings.connection.timeout = std::chrono::milliseconds(20000);
    settings.connections = connections;
    settings.duration = std::chrono::milliseconds(1500);
    return settings;
  }
};

TEST_P(IdlePeersTest, HoldKeepsItsConnectionsOpenAndReportsThem) {
  std::ostringstream status;
  const auto report = peer::HoldConnections(Settings(5), status);
  EXPECT_EQ(report.opened, 5);
  EXPECT_EQ(report.refused, 0);
  EXPECT_EQ(report.closedByServer, 0);
  EXPECT_EQ(status.str(), "holding 5 connections (0 refused)\n");
}

TEST_P(IdlePeersTest, HoldCountsConnectionsTheServerRefuses) {
  Server().Net().Program().SetIpFilter(true, kFilterAcceptMode);
  std::ostringstream status;
  const auto report = peer::HoldConnections(Settings(3), status);
  EXPECT_EQ(report.opened, 0);
  EXPECT_EQ(report.refused, 3);
}

// A login that stalls before its credentials never reaches the database: once is enough.
class StalledLoginTest : public IdlePeersTest {};

TEST_P(StalledLoginTest, AStalledHostLoginLeavesTheServerAnswering) {
  std::ostringstream status;
  auto settings = Settings(2);
  settings.duration = std::chrono::seconds(3);
  peer::StallReport report;
  std::thread stall([&] { report = peer::StallHostLogins(settings, status); });
  // While the logins hang, another peer is served as usual.
  const auto check = RunPeerCommand("host-check", Server().Net().Port());
  stall.join();
  EXPECT_EQ(check.status, PeerStatus::kOk) << check.message;
  EXPECT_EQ(report.stalls, 2) << "the server keeps a stalled login for 5 s, past the duration";
}

TEST_P(IdlePeersTest, SiteNamesGoOutAsUtf16AndAreStoredAsUtf8) {
  const auto outcome = RunPeerCommand("site-checkin", Server().Net().Port(),
                                      {"--name", "Caf\xC3\xA9 \xE2\x82\xAC", "--cameras", "0"});
  ASSERT_EQ(outcome.status, PeerStatus::kOk) << outcome.message;
  EXPECT_EQ(AllSites().at(0).strSiteName, "Caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(CommandLineTest, TakesBothValueFormsAndFlagsAndRejectsTheRest) {
  const peer::CommandLine line({"--port=99", "--name", "Lobby", "--json"}, {"port", "name"},
                               {"json"});
  EXPECT_EQ(line.Number("port", 1, 1, 65535), 99);
  EXPECT_EQ(line.Text("name", ""), "Lobby");
  EXPECT_TRUE(line.Flag("json"));
  EXPECT_EQ(line.Text("missing", "fallback"), "fallback");
  EXPECT_THROW(line.Number("port", 1, 100, 200), peer::PeerFailure);
  EXPECT_THROW(line.Required("user"), peer::PeerFailure);

  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--other", "1"}, {"loose"}, {"--name"}, {"--port", "12x"}}) {
    try {
      (void)peer::CommandLine(arguments, {"port", "name"}, {});
      ADD_FAILURE() << arguments[0] << " was accepted";
    } catch (const peer::PeerFailure& failure) {
      EXPECT_EQ(failure.Status(), PeerStatus::kUsage);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, IdlePeersTest, EachEngine(), EngineName);
INSTANTIATE_TEST_SUITE_P(Engines, StalledLoginTest, ::testing::Values(DatabaseEngine::kSqlite),
                         EngineName);

}  // namespace
}  // namespace orlentis::testing
