#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "directory/ip_filter.h"
#include "net/wire_records.h"
#include "store/database_maintenance.h"
#include "store/engine.h"
#include "store/store_startup.h"
#include "support/base/temp_folder.h"
#include "support/net/recorder_services_server.h"
#include "support/net/recorder_wire.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

constexpr const char* kAdminPassword = "test-password";

// A repair under way on another thread, held at its pre-compaction wait until released: the
// database is unavailable meanwhile.
class HeldRepair {
 public:
  HeldRepair() {
    DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
    maintenance.SetStartupFinished();
    maintenance.SetCompactionWait([this](std::chrono::milliseconds) {
      std::unique_lock lock(mutex_);
      released_.wait(lock, [this] { return release_; });
    });
    repair_ = std::thread([] { DatabaseMaintenance::Instance().RepairDatabase(); });
  }
  ~HeldRepair() {
    {
      const std::lock_guard lock(mutex_);
      release_ = true;
    }
    released_.notify_all();
    repair_.join();
    DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
  }

 private:
  std::mutex mutex_;
  std::condition_variable released_;
  bool release_ = false;
  std::thread repair_;
};

bool WaitUntilUnavailable() {
  for (int i = 0; i < 5000 && !DatabaseMaintenance::Instance().IsUnavailable(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return DatabaseMaintenance::Instance().IsUnavailable();
}

class DatabaseTroubleTest : public ::testing::Test {
 protected:
  // Every exchange still answers, with failure values where due.
  void ExpectFailureAnswers(WireClient& site, WireClient& host) {
    const auto checkIn = Ask(site, SiteCheckInBlock(CMD_SITE_CHECKIN, u"Lobby"));
    ASSERT_TRUE(checkIn.has_value());
    EXPECT_EQ(checkIn->word, RSP_OK);

    const auto camera = Ask(site, EncodeCameraInfo({0, "Gate", 704, 480, 1, 0}));
    ASSERT_TRUE(camera.has_value());
    EXPECT_EQ(camera->word, RSP_OK);
    EXPECT_EQ(camera->version, 0u);

    const auto count = Ask(site, Block(CMD_GROUP_COUNT, group_layout::kSize));
    ASSERT_TRUE(count.has_value());
    EXPECT_EQ(count->word, RSP_FAIL);
    EXPECT_EQ(count->value, 0);

    const auto login =
        Ask(site, EncodeUserRequest(CMD_USER_LOGIN, {"Administrator", kAdminPassword}));
    ASSERT_TRUE(login.has_value());
    EXPECT_EQ(login->word, RSP_FAIL);

    ASSERT_TRUE(site.Send(EncodeUserRequest(CMD_ACCOUNT_LOGIN, {"Administrator", kAdminPassword})));
    const auto account = site.ReceiveExactly(user_layout::kSize);
    ASSERT_TRUE(account.has_value());
    EXPECT_EQ(LoadU32(*account, user_layout::kWord), RSP_FAIL);

    ASSERT_TRUE(server_.Net().SendAndWaitTaken(site, Block(CMD_GROUP_LIST, group_layout::kSize)));
    ExpectKeepAliveEchoed(site);

    ASSERT_TRUE(host.Send(EncodeHostRequest(HOST_GROUP_LIST, 0)));
    EXPECT_EQ(ReceiveHostFrame(host), (HostFrame{0, 0, 0}));
    ASSERT_TRUE(host.Send(EncodeHostRequest(HOST_INSTANCE_CHECKOUT, 0)));
    EXPECT_EQ(ReceiveHostFrame(host), (HostFrame{0, 0, 0}));

    ASSERT_TRUE(host.Send(EncodeHostRequest(HOST_INSTANCE_CHECKIN, 0)));
    ASSERT_EQ(ReceiveHostFrame(host), (HostFrame{1, 1, 0}));
    ASSERT_TRUE(host.Send(ToBytes(EncodeInstanceHeader({"Yard", 80, 0}))));
    EXPECT_EQ(ReceiveHostFrame(host), (HostFrame{0, 1, 0}));

    ASSERT_TRUE(host.Send(EncodeHostRequest(HOST_USER_LOGIN, 0)));
    ASSERT_EQ(ReceiveHostFrame(host), (HostFrame{1, 1, 1}));
    ASSERT_TRUE(
        host.Send(EncodeHostCredentials("Administrator", HostPasswordDigest(kAdminPassword))));
    EXPECT_EQ(ReceiveHostFrame(host), (HostFrame{0, 1, 1}));
  }

  RecorderServicesServer server_;
};

TEST_F(DatabaseTroubleTest, WhileARepairRunsEveryExchangeAnswersAndNothingIsWritten) {
  AddSite("127.0.0.1", 0, "Instance");  // known, but not while the database is unavailable
  WireClient site = server_.Connect();
  WireClient host = server_.Connect();
  // Admitted before the repair: while it runs, no new connection is.
  ASSERT_TRUE(server_.Net().WaitForListedConnections(2));
  {
    HeldRepair repair;
    ASSERT_TRUE(WaitUntilUnavailable());
    ExpectFailureAnswers(site, host);
    // The check-out's entry is not written either; the connection ends all the same.
    ASSERT_TRUE(server_.Net().SendAndWaitTaken(site, Block(CMD_SITE_CHECKOUT, 4)));
    server_.Net().SweepDeadConnections();
    EXPECT_TRUE(site.WaitForClose());
  }
  const auto sites = AllSites();
  ASSERT_EQ(sites.size(), 1u);
  EXPECT_EQ(sites[0].bOnline, 0);
  EXPECT_EQ(CountRows("Camera"), 0);
  for (const auto& entry : LogOldestFirst()) {
    EXPECT_EQ(entry.strAction, "Database maintenance") << entry.strDetail;
  }
}

// A check-in during a repair is answered and written once the repair is over, and the camera
// sent after it follows it to the site it names, not to the one the connection knew before.
TEST_F(DatabaseTroubleTest, ACheckInWhileUnavailableIsWrittenOnceTheRepairIsOver) {
  WireClient site = server_.Connect();
  ASSERT_TRUE(Ask(site, SiteCheckInBlock(CMD_SITE_CHECKIN, u"Lobby")).has_value());
  const std::int32_t lobby = AllSites().at(0).nID;
  {
    HeldRepair repair;
    ASSERT_TRUE(WaitUntilUnavailable());
    const auto reply = Ask(site, SiteCheckInBlock(CMD_SITE_UPDATE, u"Hall"));
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->word, RSP_OK);
  }
  ASSERT_TRUE(Ask(site, EncodeCameraInfo({2, "Gate", 704, 480, 1, 0})).has_value());
  std::vector<SiteRow> sites;
  for (int poll = 0; poll < 100 && sites.size() < 2; ++poll) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    sites = AllSites();
  }
  ASSERT_EQ(sites.size(), 2u);
  const SiteRow& hall = sites[0].nID == lobby ? sites[1] : sites[0];
  EXPECT_EQ(hall.strSiteName, "Hall");
  EXPECT_TRUE(CamerasOf(lobby).empty());
  ASSERT_EQ(CamerasOf(hall.nID).size(), 1u);
  EXPECT_EQ(CamerasOf(hall.nID)[0].nIndex, 2);
}

// A database error ends a login's look-up at its step, and what was found before it stands:
// a host login that had succeeded gets its user block and the end marker without instances,
// and a failed account login carries what it had found.
TEST_F(DatabaseTroubleTest, ALoginKeepsWhatItFoundBeforeADatabaseError) {
  const std::int32_t viewers = AddGroup("Viewers", 4, 0x05);
  const std::int32_t carol = AddUser("carol", "carol-pw", viewers, 0x0F);
  AddUserSite(carol, AddSite("127.0.0.1", 0, "Zero"), std::string(64, '1'));
  AddUserSite(carol, AddSite("127.0.0.1", -1, "Lobby"), "1");
  ExecuteSql("ALTER TABLE UserSite RENAME COLUMN strCameraAuthority TO strLost");

  WireClient host = server_.Connect();
  ASSERT_TRUE(host.Send(EncodeHostRequest(HOST_USER_LOGIN, 0)));
  ASSERT_EQ(ReceiveHostFrame(host), (HostFrame{1, 1, 1}));
  ASSERT_TRUE(host.Send(EncodeHostCredentials("carol", HostPasswordDigest("carol-pw"))));
  EXPECT_EQ(ReceiveHostFrame(host), (HostFrame{1, 1, 1}));
  const auto info = host.ReceiveExactly(host_user_layout::kSize);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(LoadU32(*info, host_user_layout::kAuthority), 0x05u);
  const auto end = host.ReceiveExactly(host_site_layout::kSize);
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ(LoadI32(*end, host_site_layout::kInstance), -1);

  ExecuteSql("ALTER TABLE UserSite RENAME COLUMN strLost TO strCameraAuthority");
  ExecuteSql("ALTER TABLE \"Group\" RENAME COLUMN nLevel TO nLost");
  WireClient site = server_.Connect();
  RegisterByAccountCheck(site);
  ASSERT_TRUE(site.Send(EncodeUserRequest(CMD_ACCOUNT_LOGIN, {"carol", "carol-pw"})));
  const auto account = site.ReceiveExactly(user_layout::kSize);
  ASSERT_TRUE(account.has_value());
  EXPECT_EQ(LoadU32(*account, user_layout::kWord), RSP_FAIL);
  EXPECT_EQ(LoadU32(*account, user_layout::kCameraMask), 0x0001u);
  EXPECT_EQ((*account)[user_layout::kAuthority], 0x17);
}

TEST_F(DatabaseTroubleTest, ABrokenDatabaseFileStillGetsEveryAnswer) {
  const auto database = DatabaseFile();
  const TempFolder folder;
  const auto broken = folder / "Broken.db";
  WriteWholeFile(broken, std::string(8192, 'x'));
  // A connection is listed before the IP filter has judged it, and that look at the database is
  // not what is tested here.
  server_.Net().Program().SetIpFilter(false, kFilterDenyMode);
  WireClient site = server_.Connect();
  WireClient host = server_.Connect();
  ASSERT_TRUE(server_.Net().WaitForListedConnections(2));
  SetDatabaseFile(broken);
  ExpectFailureAnswers(site, host);
  SetDatabaseFile(database);
  EXPECT_EQ(CountRows("Site"), 0);
  // The failed repair left it unusable, until the minute's check finds it usable again.
  EXPECT_TRUE(DatabaseMaintenance::Instance().IsUnusable());
  RecheckUnusableDatabase();
  DatabaseMaintenance::Instance().WaitForBackgroundWork();
  EXPECT_FALSE(DatabaseMaintenance::Instance().IsUnavailable());
}

}  // namespace
}  // namespace orlentis::testing
