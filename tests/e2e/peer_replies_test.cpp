#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "peer_run.h"
#include "support/net/recorder_services_server.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

using peer::PeerStatus;
using peer::ReplyEntry;

// Every exchange subcommand against the real request handlers: what it prints is what the
// server answered, decoded field by field.
class PeerRepliesTest : public RecorderServicesOnEachEngineTest {
 protected:
  peer::CommandOutcome Run(const std::string& name, std::vector<std::string> arguments = {}) {
    return RunPeerCommand(name, Server().Net().Port(), std::move(arguments));
  }

  // alice (authority 0x0F) in the Operator group (level 2, 0x047).
  std::int32_t AddAlice() { return AddUser("alice", "secret", GroupIdByName("Operator"), 0x0F); }

  static void ExpectStatus(const ReplyEntry& entry, const std::string& request,
                           const std::string& status, std::int64_t value) {
    EXPECT_EQ(entry.request, request);
    EXPECT_EQ(entry.record, "StatusRecord");
    EXPECT_EQ(TextOf(entry, "status"), status);
    EXPECT_EQ(NumberOf(entry, "value"), value);
  }

  static void ExpectHostFrame(const ReplyEntry& entry, std::int64_t status, std::int64_t flag,
                              std::int64_t value) {
    EXPECT_EQ(entry.record, "HostFrame");
    EXPECT_EQ(NumberOf(entry, "status"), status);
    EXPECT_EQ(NumberOf(entry, "flag"), flag);
    EXPECT_EQ(NumberOf(entry, "value"), value);
  }
};

TEST_P(PeerRepliesTest, HostCheckIsOneStatusRecordWithTheProtocolVersion) {
  const auto outcome = Run("host-check");
  ASSERT_EQ(outcome.status, PeerStatus::kOk) << outcome.message;
  ASSERT_EQ(outcome.transcript.Entries().size(), 1u);
  const auto& reply = outcome.transcript.Entries()[0];
  ExpectStatus(reply, "CMD_SITE_CHECKIN", "RSP_OK", 0);
  EXPECT_EQ(NumberOf(reply, "version"), PROTOCOL_VERSION);
  EXPECT_EQ(CountRows("Site"), 0);
}

TEST_P(PeerRepliesTest, SiteCheckInWithUpdateAndCamerasIsStoredAndEachRecordAnswered) {
  const auto outcome = Run("site-checkin", {"--name", "Lobby", "--cameras", "3", "--update"});
  ASSERT_EQ(outcome.status, PeerStatus::kOk) << outcome.message;
  const auto& entries = outcome.transcript.Entries();
  ASSERT_EQ(entries.size(), 5u);
  ExpectStatus(entries[0], "CMD_SITE_CHECKIN", "RSP_OK", 0);
  ExpectStatus(entries[1], "CMD_SITE_UPDATE", "RSP_OK", 0);
  for (std::size_t i = 2; i < 5; ++i) {
    ExpectStatus(entries[i], "CMD_CAMERA_INFO", "RSP_OK", 0);
    EXPECT_EQ(NumberOf(entries[i], "version"), 0) << "a camera's answer carries no version";
  }
  const auto sites = AllSites();
  ASSERT_EQ(sites.size(), 1u);
  EXPECT_EQ(sites[0].strSiteName, "Lobby");
  EXPECT_EQ(CamerasOf(sites[0].nID).size(), 3u);
}

TEST_P(PeerRepliesTest, CameraInfoSendsTheGivenCameraAndCameraResetRetiresTheOthers) {
  ASSERT_EQ(Run("site-checkin", {"--name", "Yard", "--cameras", "3"}).status, PeerStatus::kOk);
  const auto info = Run("camera-info", {"--name", "Yard", "--index", "5", "--camera-name", "Gate",
                                        "--width", "352", "--height", "288", "--state-b", "7"});
  ASSERT_EQ(info.status, PeerStatus::kOk) << info.message;
  const auto reset = Run("camera-reset", {"--name", "Yard", "--cameras", "1"});
  ASSERT_EQ(reset.status, PeerStatus::kOk) << reset.message;
  ASSERT_EQ(reset.transcript.Entries().size(), 3u);
  ExpectStatus(reset.transcript.Entries()[1], "CMD_CAMERA_RESET", "RSP_OK", 0);

  const auto cameras = CamerasOf(AllSites().at(0).nID);
  ASSERT_EQ(cameras.size(), 4u);
  EXPECT_EQ(cameras[0].bExistence, 1);
  EXPECT_EQ(cameras[1].bExistence, 0);
  EXPECT_EQ(cameras[3].nIndex, 5);
  EXPECT_EQ(cameras[3].strName, "Gate");
  EXPECT_EQ(cameras[3].strResolution, "352x288");
  EXPECT_EQ(cameras[3].nStateFlag, 3);
}

TEST_P(PeerRepliesTest, SiteCheckOutTakesTheSiteOffLineWithoutAnAnswer) {
  const auto outcome = Run("site-checkout", {"--name", "Lobby"});
  ASSERT_EQ(outcome.status, PeerStatus::kOk) << outcome.message;
  EXPECT_EQ(outcome.transcript.Entries().size(), 1u);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (AllSites().at(0).bOnline != 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(AllSites().at(0).bOnline, 0);
}

TEST_P(PeerRepliesTest, KeepAlivesComeBackAsEchoesOfWhatWasSent) {
  const auto outcome = Run("keepalive", {"--count", "3"});
  ASSERT_EQ(outcome.status, PeerStatus::kOk) << outcome.message;
  const auto& entries = outcome.transcript.Entries();
  ASSERT_EQ(entries.size(), 4u);
  for (std::int64_t i = 1; i <= 3; ++i) {
    const auto& echo = entries[static_cast<std::size_t>(i)];
    EXPECT_EQ(NumberOf(echo, "kind"), CMD_KEEPALIVE_ECHO);
    EXPECT_EQ(NumberOf(echo, "value"), i);
  }
  EXPECT_EQ(CountRows("Site"), 0) << "without --name the connection registers by account check";
}

TEST_P(PeerRepliesTest, AccountLoginDecodesLevelGroupCameraMaskAndAuthorityBytes) {
  const auto alice = AddAlice();
  AddUserSite(alice, AddSite("127.0.0.1", -1, "Lobby"), "101" + std::string(61, '0'));
  const auto outcome =
      Run("account-login", {"--name", "Lobby", "--user", "alice", "--password", "secret"});
  ASSERT_EQ(outcome.status, PeerStatus::kOk) << outcome.message;
  ASSERT_EQ(outcome.transcript.Entries().size(), 2u);
  const auto& reply = outcome.transcript.Entries()[1];
  EXPECT_EQ(reply.record, "UserRecord");
  EXPECT_EQ(TextOf(reply, "status"), "RSP_OK");
  EXPECT_EQ(NumberOf(reply, "level"), 2);
  EXPECT_EQ(TextOf(reply, "group"), "Operator");
  EXPECT_EQ(NumberOf(reply, "camera_mask"), 0x5);
  EXPECT_EQ(NumberOf(reply, "authority"), 0x0F) << "the user's own authority, unpacked";
}

TEST_P(PeerRepliesTest, UserLoginAnswersTheGroupId) {
  AddAlice();
  const auto outcome = Run("user-login", {"--user", "alice", "--password", "secret"});
  ASSERT_EQ(outcome.status, PeerStatus::kOk) << outcome.message;
  ExpectStatus(outcome.transcript.Entries().at(1), "CMD_USER_LOGIN", "RSP_OK",
               GroupIdByName("Operator"));
}

TEST_P(PeerRepliesTest, RefusedLoginsAreRecordedAndEndAsRefusals) {
  AddAlice();
  for (const char* command : {"account-check", "account-login", "user-login", "host-login"}) {
    const auto outcome = Run(command, {"--user", "alice", "--password", "wrong"});
    EXPECT_EQ(outcome.status, PeerStatus::kRefused) << command;
    ASSERT_FALSE(outcome.transcript.Entries().empty()) << command;
    const auto& last = outcome.transcript.Entries().back();
    if (last.record == "HostFrame") {
      ExpectHostFrame(last, 0, 1, 1);
    } else {
      EXPECT_EQ(TextOf(last, "status"), "RSP_FAIL") << command;
    }
  }
}

TEST_P(PeerRepliesTest, HostLoginSendsTheDigestAndListsThePermittedInstances) {
  const auto alice = AddAlice();
  AddUserSite(alice, AddSite("127.0.0.1", 0, "Host A"), std::string(64, '1'));
  AddSite("127.0.0.1", 1, "Host B");
  AddUserSite(alice, AddSite("127.0.0.1", 2, "Host C"), "01" + std::string(62, '0'));
  const auto outcome = Run("host-login", {"--user", "alice", "--password", "secret"});
  ASSERT_EQ(outcome.status, PeerStatus::kOk) << outcome.message;
  const auto& entries = outcome.transcript.Entries();
  ASSERT_EQ(entries.size(), 5u);
  ExpectHostFrame(entries[0], 1, 1, 1);
  ExpectHostFrame(entries[1], 1, 1, 1);
  EXPECT_EQ(entries[2].record, "HostUserInfo");
  EXPECT_EQ(TextOf(entries[2], "name"), "alice");
  EXPECT_EQ(TextOf(entries[2], "group"), "Operator");
  EXPECT_EQ(NumberOf(entries[2], "authority"), 0x0F & 0x047);
  EXPECT_EQ(NumberOf(entries[3], "instance"), 0);
  EXPECT_EQ(TextOf(entries[3], "camera_authority"), std::string(64, '1'));
  EXPECT_EQ(NumberOf(entries[4], "instance"), 2);
}

TEST_P(PeerRepliesTest, AdministratorHostLoginUsesTheDigestEvenInPlainForm) {
  Server().SetDomainLogon(true);
  const auto outcome =
      Run("host-login", {"--user", "administrator", "--password", "test-password"});
  ASSERT_EQ(outcome.status, PeerStatus::kOk) << outcome.message;
  ExpectHostFrame(outcome.transcript.Entries().at(0), 1, 1, 0);
  EXPECT_EQ(outcome.transcript.Entries().size(), 3u) << "the administrator gets no instances";
}

TEST_P(PeerRepliesTest, BothGroupListsGiveTheGroupsInLevelOrder) {
  const auto count = Run("group-count");
  ASSERT_EQ(count.status, PeerStatus::kOk) << count.message;
  ExpectStatus(count.transcript.Entries().at(1), "CMD_GROUP_COUNT", "RSP_OK", 4);

  const auto list = Run("group-list");
  const auto hostList = Run("host-group-list");
  ASSERT_EQ(list.status, PeerStatus::kOk) << list.message;
  ASSERT_EQ(hostList.status, PeerStatus::kOk) << hostList.message;
  ASSERT_EQ(list.transcript.Entries().size(), 2u + 4u);
  ASSERT_EQ(hostList.transcript.Entries().size(), 1u + 4u);
  const std::pair<const char*, std::int64_t> expected[] = {
      {"Administrator", 0x1FF}, {"Manager", 0x0FF}, {"Operator", 0x047}, {"Remote User", 0x005}};
  for (std::size_t i = 0; i < 4; ++i) {
    const auto& entry = list.transcript.Entries()[2 + i];
    const auto& hostEntry = hostList.transcript.Entries()[1 + i];
    EXPECT_EQ(TextOf(entry, "name"), expected[i].first);
    EXPECT_EQ(NumberOf(entry, "level"), static_cast<std::int64_t>(i));
    EXPECT_EQ(NumberOf(entry, "authority"), expected[i].second) << "from the authority bytes";
    EXPECT_EQ(TextOf(hostEntry, "name"), expected[i].first);
    EXPECT_EQ(NumberOf(hostEntry, "authority"), expected[i].second);
  }
}

TEST_P(PeerRepliesTest, UserListIsThePlaceholder) {
  const auto outcome = Run("user-list");
  ASSERT_EQ(outcome.status, PeerStatus::kOk) << outcome.message;
  const auto& reply = outcome.transcript.Entries().at(1);
  EXPECT_EQ(TextOf(reply, "name"), "N/A");
  EXPECT_EQ(TextOf(reply, "description"), "User list unavailable.");
}

TEST_P(PeerRepliesTest, InstanceCheckInCameraUpdateAndCheckOut) {
  const auto checkIn =
      Run("instance-checkin", {"--instance", "3", "--name", "Dock", "--cameras", "2"});
  ASSERT_EQ(checkIn.status, PeerStatus::kOk) << checkIn.message;
  ASSERT_EQ(checkIn.transcript.Entries().size(), 2u);
  ExpectHostFrame(checkIn.transcript.Entries()[1], 1, 1, 0);

  const auto update = Run("camera-update", {"--instance", "3", "--index", "1", "--camera-name",
                                            "Ramp", "--resolution", "1920x1080"});
  ASSERT_EQ(update.status, PeerStatus::kOk) << update.message;
  const auto site = AllSites().at(0);
  EXPECT_EQ(site.nInstanceID, 3);
  EXPECT_EQ(CamerasOf(site.nID).at(1).strName, "Ramp");
  EXPECT_EQ(CamerasOf(site.nID).at(1).strResolution, "1920x1080");

  EXPECT_EQ(Run("camera-update", {"--instance", "3", "--index", "9"}).status, PeerStatus::kOk);
  EXPECT_EQ(CamerasOf(site.nID).size(), 2u) << "a camera never checked in is not created";
  EXPECT_EQ(Run("camera-update", {"--instance", "8"}).status, PeerStatus::kRefused);
  EXPECT_EQ(Run("instance-checkout", {"--instance", "3"}).status, PeerStatus::kOk);
  EXPECT_EQ(AllSites().at(0).bOnline, 0);
  EXPECT_EQ(Run("instance-checkout", {"--instance", "4"}).status, PeerStatus::kRefused);
}

TEST_P(PeerRepliesTest, JsonHoldsTheCommandTheStatusAndTheDecodedReplies) {
  const auto outcome = Run("keepalive");
  const std::string json = outcome.transcript.Json("keepalive", outcome.status, outcome.message);
  EXPECT_EQ(json,
            "{\"command\":\"keepalive\",\"status\":\"ok\",\"exit\":0,\"message\":\"\","
            "\"replies\":[{\"request\":\"CMD_SITE_CHECKIN\",\"record\":\"StatusRecord\","
            "\"status\":\"RSP_OK\",\"value\":0,\"version\":196608},"
            "{\"request\":\"CMD_KEEPALIVE\",\"record\":\"StatusRecord\",\"kind\":2454,"
            "\"value\":1,\"version\":196608}]}");
  EXPECT_EQ(peer::JsonString("a\"b\\c\n"), "\"a\\\"b\\\\c\\u000a\"");
}

INSTANTIATE_TEST_SUITE_P(Engines, PeerRepliesTest, EachEngine(), EngineName);

}  // namespace
}  // namespace orlentis::testing
