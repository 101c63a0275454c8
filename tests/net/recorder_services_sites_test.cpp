#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "base/settings.h"
#include "net/wire_records.h"
#include "store/database_maintenance.h"
#include "support/net/recorder_services_server.h"
#include "support/net/recorder_wire.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

constexpr const char* kPeer = "127.0.0.1";

// The answer to a check-in, byte for byte: {RSP_OK, 0}, zeros, PROTOCOL_VERSION.
Bytes CheckInAnswer() {
  Bytes answer(status_layout::kSize, 0);
  StoreU32(answer, status_layout::kWord, RSP_OK);
  StoreU32(answer, status_layout::kVersion, PROTOCOL_VERSION);
  return answer;
}

// Checks a site in on client and expects the exact answer.
void CheckIn(WireClient& client, std::u16string_view name, std::int32_t webPort = 8080,
             std::uint32_t kind = CMD_SITE_CHECKIN) {
  ASSERT_TRUE(client.Send(SiteCheckInBlock(kind, name, "", webPort, "10.9.8.7")));
  EXPECT_EQ(client.ReceiveExactly(status_layout::kSize), CheckInAnswer());
}

// Sends a camera and expects {RSP_OK} with zero in place of the version.
void SendCamera(WireClient& client, const CameraRecord& camera) {
  ASSERT_TRUE(client.Send(EncodeCameraInfo(camera)));
  Bytes answer(status_layout::kSize, 0);
  StoreU32(answer, status_layout::kWord, RSP_OK);
  EXPECT_EQ(client.ReceiveExactly(status_layout::kSize), answer);
}

// Expects entry to say source, action and detail.
void ExpectLogEntry(const LogRow& entry, const std::string& source, const std::string& action,
                    const std::string& detail) {
  EXPECT_EQ(entry.strSource, source);
  EXPECT_EQ(entry.strAction, action);
  EXPECT_EQ(entry.strDetail, detail);
}

const SiteRow& SiteById(const std::vector<SiteRow>& sites, std::int32_t id) {
  return *std::find_if(sites.begin(), sites.end(),
                       [id](const SiteRow& site) { return site.nID == id; });
}

class SiteServicesTest : public ::testing::Test {
 protected:
  void CheckOut(WireClient& client) {
    ASSERT_TRUE(server_.Net().SendAndWaitTaken(client, Block(CMD_SITE_CHECKOUT, 504)));
    server_.Net().SweepDeadConnections();
    EXPECT_TRUE(client.WaitForClose());
  }

  RecorderServicesServer server_;
};

TEST_F(SiteServicesTest, FirstCheckInAddsAnOnlineRowAtThePeersOwnAddress) {
  // An instance row first, so that the new site's nID is not simply 1.
  const std::int32_t instanceId = AddSite(kPeer, 0, "Instance");
  WireClient client = server_.Connect();
  CheckIn(client, u"Lobby", 8080);

  const auto sites = AllSites();
  ASSERT_EQ(sites.size(), 2u);
  const SiteRow& site = sites[0].nInstanceID == -1 ? sites[0] : sites[1];
  EXPECT_NE(site.nID, instanceId);
  EXPECT_EQ(site.strIP, kPeer);
  EXPECT_EQ(site.strSiteName, "Lobby");
  EXPECT_EQ(site.nInstanceID, -1);
  EXPECT_EQ(site.nWebServerPort, 8080);
  EXPECT_EQ(site.bOnline, 1);
  EXPECT_DOUBLE_EQ(site.dCheckInTime, NowOleDate());

  const auto log = LogOldestFirst();
  ASSERT_EQ(log.size(), 1u);
  ExpectLogEntry(log[0], "Lobby", "Site checkin", "127.0.0.1:8080");

  // The connection's cameras belong to the new row.
  SendCamera(client, {3, "Gate", 704, 480, 1, 0});
  ASSERT_EQ(CamerasOf(site.nID).size(), 1u);
  EXPECT_TRUE(CamerasOf(instanceId).empty());
}

TEST_F(SiteServicesTest, LaterCheckInsAndUpdatesOfTheSameNameEditTheRow) {
  WireClient first = server_.Connect();
  CheckIn(first, u"Lobby", 8080);
  ExecuteSql("UPDATE Site SET bOnline = 0");
  server_.Net().Clock().AdvanceSeconds(60);

  WireClient second = server_.Connect();
  CheckIn(second, u"Lobby", 8081);
  CheckIn(second, u"Lobby", 8082, CMD_SITE_UPDATE);
  CheckIn(second, u"Hall", 9000);

  const auto sites = AllSites();
  ASSERT_EQ(sites.size(), 2u);
  const SiteRow& lobby = sites[0].strSiteName == "Lobby" ? sites[0] : sites[1];
  EXPECT_EQ(lobby.nWebServerPort, 8082);
  EXPECT_EQ(lobby.bOnline, 1);
  EXPECT_DOUBLE_EQ(lobby.dCheckInTime, NowOleDate());
  const auto log = LogOldestFirst();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[2].strDetail, "127.0.0.1:8082");
  EXPECT_EQ(log[3].strSource, "Hall");
}

class SiteCheckInOnEachEngineTest : public RecorderServicesOnEachEngineTest {};

// The row a check-in finds is the first, by nID, of the peer's address and the site's name in
// any letter case, among sites of the record protocol only; it takes the name as sent.
TEST_P(SiteCheckInOnEachEngineTest, ACheckInEditsTheFirstRowOfItsAddressAndNameInAnyCase) {
  const std::int32_t first = AddSite(kPeer, -1, "Lobby");
  const std::int32_t second = AddSite(kPeer, -1, "Lobby");
  const std::int32_t instance = AddSite(kPeer, 0, "Lobby");
  const std::int32_t elsewhere = AddSite("10.0.0.1", -1, "Lobby");
  Server().Net().Clock().AdvanceSeconds(60);
  WireClient client = Server().Connect();
  CheckIn(client, u"LOBBY", 8081);
  SendCamera(client, {3, "Gate", 704, 480, 1, 0});

  const auto sites = AllSites();
  ASSERT_EQ(sites.size(), 4u);
  const SiteRow& edited = SiteById(sites, first);
  EXPECT_EQ(edited.strIP, kPeer);
  EXPECT_EQ(edited.strSiteName, "LOBBY");
  EXPECT_EQ(edited.nInstanceID, -1);
  EXPECT_EQ(edited.nWebServerPort, 8081);
  EXPECT_EQ(edited.bOnline, 1);
  EXPECT_DOUBLE_EQ(edited.dCheckInTime, NowOleDate());
  for (const std::int32_t untouched : {second, instance, elsewhere}) {
    EXPECT_EQ(SiteById(sites, untouched).strSiteName, "Lobby");
    EXPECT_EQ(SiteById(sites, untouched).bOnline, 0);
  }
  EXPECT_EQ(CamerasOf(first).size(), 1u);
  const auto log = LogOldestFirst();
  ASSERT_EQ(log.size(), 1u);
  ExpectLogEntry(log[0], "LOBBY", "Site checkin", "127.0.0.1:8081");
}

// The first check-in adds the row, the second edits it: both with the name as a plain value.
TEST_P(SiteCheckInOnEachEngineTest, NamesWithQuotesAndSqlPunctuationArePlainNames) {
  const std::u16string name = u"O'Brien \"East\"; DELETE FROM Site; --";
  const std::int32_t bystander = AddSite("10.0.0.1", -1, "Bystander");
  WireClient client = Server().Connect();
  CheckIn(client, name, 8080);
  CheckIn(client, name, 8081);

  const auto sites = AllSites();
  ASSERT_EQ(sites.size(), 2u);
  const SiteRow& site = sites[0].nID == bystander ? sites[1] : sites[0];
  EXPECT_EQ(site.strSiteName, "O'Brien \"East\"; DELETE FROM Site; --");
  EXPECT_EQ(site.nWebServerPort, 8081);
  EXPECT_EQ(SiteById(sites, bystander).strSiteName, "Bystander");
  EXPECT_EQ(SiteById(sites, bystander).bOnline, 0);
  EXPECT_EQ(LogOldestFirst().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Engines, SiteCheckInOnEachEngineTest, EachEngine(), EngineName);

TEST_F(SiteServicesTest, NonAsciiSiteNameIsStoredAsUtf8) {
  WireClient client = server_.Connect();
  CheckIn(client, u"Caf\u00e9", 8080);
  CheckIn(client, u"Caf\u00e9", 8081);
  const auto sites = AllSites();
  ASSERT_EQ(sites.size(), 1u);
  EXPECT_EQ(sites[0].strSiteName, "Caf\xC3\xA9");
  EXPECT_EQ(LogOldestFirst().at(0).strSource, "Caf\xC3\xA9");
}

TEST_F(SiteServicesTest, CameraStateBitsResolutionAndName) {
  struct Case {
    std::int32_t stateA, stateB, flag;
  };
  const Case cases[] = {{5, 0, 1}, {0, 9, 2}, {1, 7, 3}, {0, 0, 0}};
  WireClient client = server_.Connect();
  CheckIn(client, u"Lobby");
  for (std::int32_t i = 0; i < 4; ++i) {
    SendCamera(client, {i, "Cam " + std::to_string(i), 704, 480, cases[i].stateA, cases[i].stateB});
  }
  const auto cameras = CamerasOf(AllSites().at(0).nID);
  ASSERT_EQ(cameras.size(), 4u);
  for (std::int32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(cameras[i].nIndex, i);
    EXPECT_EQ(cameras[i].bExistence, 1);
    EXPECT_EQ(cameras[i].nStateFlag, cases[i].flag) << "camera " << i;
    EXPECT_EQ(cameras[i].strResolution, "704x480");
    EXPECT_EQ(cameras[i].strName, "Cam " + std::to_string(i));
  }
}

TEST_F(SiteServicesTest, CameraResetLeavesOnlyTheCamerasSentAfterIt) {
  WireClient client = server_.Connect();
  CheckIn(client, u"Lobby");
  for (std::int32_t i = 0; i < 3; ++i) SendCamera(client, {i, "Cam", 352, 240, 1, 0});
  const std::int32_t siteId = AllSites().at(0).nID;
  for (const auto& camera : CamerasOf(siteId)) EXPECT_EQ(camera.bExistence, 1);

  const auto reset = Ask(client, Block(CMD_CAMERA_RESET, camera_layout::kSize));
  ASSERT_TRUE(reset.has_value());
  EXPECT_EQ(reset->word, RSP_OK);
  EXPECT_EQ(reset->value, 0);
  EXPECT_EQ(reset->version, PROTOCOL_VERSION);
  SendCamera(client, {1, "Cam", 352, 240, 1, 0});

  const auto cameras = CamerasOf(siteId);
  ASSERT_EQ(cameras.size(), 3u);
  EXPECT_EQ(cameras[0].bExistence, 0);
  EXPECT_EQ(cameras[1].bExistence, 1);
  EXPECT_EQ(cameras[2].bExistence, 0);

  // An update starts a new camera set as well.
  CheckIn(client, u"Lobby", 8080, CMD_SITE_UPDATE);
  SendCamera(client, {2, "Cam", 352, 240, 1, 0});
  const auto afterUpdate = CamerasOf(siteId);
  EXPECT_EQ(afterUpdate[1].bExistence, 0);
  EXPECT_EQ(afterUpdate[2].bExistence, 1);
}

// What a site sends while the database cannot be used is answered as ever, and written once
// it can be, in the order it came and without a reconnect; a site that checked out meanwhile is
// not brought back.
TEST_F(SiteServicesTest, WhatASiteSentWhileTheDatabaseCouldNotBeUsedIsWrittenOnceItCan) {
  WireClient lobby = server_.Connect();
  CheckIn(lobby, u"Lobby");
  for (std::int32_t i = 0; i < 3; ++i) SendCamera(lobby, {i, "Old", 352, 240, 1, 0});
  const std::int32_t lobbyId = AllSites().at(0).nID;

  DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  maintenance.MarkUnusable("the test took it away");
  // The update starts a new set, whose cameras 0 and 1 a reset then leaves absent again.
  CheckIn(lobby, u"Lobby", 9090, CMD_SITE_UPDATE);
  for (std::int32_t i = 0; i < 16; ++i) SendCamera(lobby, {i, "New", 704, 576, 1, 0});
  ASSERT_TRUE(Ask(lobby, Block(CMD_CAMERA_RESET, camera_layout::kSize)).has_value());
  for (std::int32_t i = 2; i < 16; ++i) SendCamera(lobby, {i, "Newer", 704, 576, 1, 0});
  WireClient gone = server_.Connect();
  CheckIn(gone, u"Gone");
  CheckOut(gone);
  EXPECT_EQ(CamerasOf(lobbyId).at(0).strName, "Old");

  maintenance.MarkUsable();
  std::vector<CameraRow> cameras;
  for (int poll = 0; poll < 100 && cameras.size() < 16; ++poll) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    cameras = CamerasOf(lobbyId);
  }
  ASSERT_EQ(cameras.size(), 16u);
  for (const CameraRow& camera : cameras) {
    const bool reset = camera.nIndex < 2;
    EXPECT_EQ(camera.bExistence, reset ? 0 : 1) << camera.nIndex;
    EXPECT_EQ(camera.strName, reset ? "New" : "Newer") << camera.nIndex;
  }
  const auto sites = AllSites();
  ASSERT_EQ(sites.size(), 1u);
  EXPECT_EQ(sites[0].nWebServerPort, 9090);
  const auto log = LogOldestFirst();
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const LogRow& entry) { return entry.strSource == "Lobby"; }),
            2);
  // Written once: the connection goes on as any other.
  SendCamera(lobby, {0, "Newest", 704, 576, 1, 0});
  EXPECT_EQ(CamerasOf(lobbyId).at(0).strName, "Newest");
}

TEST_F(SiteServicesTest, CheckOutTakesTheSiteOfflineWithoutAnswerAndEndsTheConnection) {
  WireClient client = server_.Connect();
  CheckIn(client, u"Lobby", 8080);
  CheckOut(client);

  const auto sites = AllSites();
  ASSERT_EQ(sites.size(), 1u);
  EXPECT_EQ(sites[0].bOnline, 0);
  const auto log = LogOldestFirst();
  ASSERT_EQ(log.size(), 2u);
  ExpectLogEntry(log[1], "Lobby", "Site checkout", "127.0.0.1:8080");
}

// Only a site that was on the directory is checked out, and only that is logged.
TEST_F(SiteServicesTest, CheckOutOfASiteWithoutRowWritesNothing) {
  WireClient client = server_.Connect();
  CheckIn(client, u"Lobby", 8080);
  ExecuteSql("DELETE FROM Site");
  CheckOut(client);
  EXPECT_EQ(CountRows("Site"), 0);
  const auto log = LogOldestFirst();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].strAction, "Site checkin");
}

// The check-in writes its entry without trimming; the check-out's entry is trimmed like any.
TEST_F(SiteServicesTest, OnlyTheCheckOutEntryIsTrimmedToTheLogLimit) {
  // The log limit is the process's setting; the test's own lasts while it runs.
  struct LogLimitOfNoEntry {
    LogLimitOfNoEntry() { Settings::Instance().SetLogLimits({0, 30, 0}); }
    ~LogLimitOfNoEntry() { Settings::Instance().SetLogLimits(before); }
    const LogLimits before = Settings::Instance().GetLogLimits();
  } limit;
  WireClient client = server_.Connect();
  CheckIn(client, u"Lobby", 8080);
  EXPECT_EQ(LogOldestFirst().size(), 1u);
  CheckOut(client);
  EXPECT_EQ(LogOldestFirst().size(), 0u);
}

}  // namespace
}  // namespace orlentis::testing
