#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "access/password_digest.h"
#include "net/little_endian.h"
#include "net/wire_records.h"
#include "store/engine.h"
#include "support/base/child_process.h"
#include "support/net/recorder_services_server.h"
#include "support/net/recorder_wire.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

// Another process holding the database's write lock until it is killed, as a backup tool or
// a forgotten sqlite3 shell would.
class WriteLockHolder {
 public:
  static constexpr int kStartLimitMs = 10000;

  explicit WriteLockHolder(const std::filesystem::path& database)
      : child_({"/usr/bin/python3",
                {"-c",
                 "import sqlite3, sys, time\n"
                 "c = sqlite3.connect(sys.argv[1], isolation_level=None, timeout=30)\n"
                 "c.execute('BEGIN IMMEDIATE')\n"
                 "sys.stderr.write('locked\\n')\n"
                 "sys.stderr.flush()\n"
                 "time.sleep(120)\n",
                 database.string()},
                {},
                {}}) {}
  ~WriteLockHolder() { Release(); }

  // As long as the shared write-lock holder waits: on a loaded machine, under the sanitizers,
  // starting the interpreter and taking the lock once took longer than an exchange's limit.
  bool WaitUntilLocked() { return child_.WaitForError("locked", kStartLimitMs); }
  void Release() {
    child_.Signal(SIGKILL);
    child_.Wait(WireClient::kDefaultTimeoutMs);
  }

 private:
  ChildProcess child_;
};

CameraRecord Camera(std::int32_t index) {
  CameraRecord camera;
  camera.index = index;
  camera.width = 640;
  camera.height = 480;
  camera.name = "Camera " + std::string(1, static_cast<char>('A' + index));
  return camera;
}

std::optional<StatusReply> UserLogin(WireClient& client, const std::string& password) {
  return Ask(client, EncodeUserRequest(CMD_USER_LOGIN, {"carol", password}));
}

class DatabaseIsolationTest : public ::testing::Test {
 protected:
  // The answer's word to a user login on a connection of its own.
  std::uint32_t UserLoginWord(const std::string& password) {
    WireClient client = server_.Connect();
    RegisterByAccountCheck(client);
    const auto reply = UserLogin(client, password);
    return reply ? reply->word : 0;
  }

  // The same through an account login, which the server answers from the logins it keeps.
  std::uint32_t AccountLoginWord(const std::string& password) {
    WireClient client = server_.Connect();
    RegisterByAccountCheck(client);
    if (!client.Send(EncodeUserRequest(CMD_ACCOUNT_LOGIN, {"carol", password}))) return 0;
    const auto reply = client.ReceiveExactly(user_layout::kSize);
    return reply ? LoadU32(*reply, 0) : 0;
  }

  RecorderServicesServer server_;
};

// While the write lock is held elsewhere, a check-in waits for it, and nothing else does:
// keep-alives, a new connection and a login (a read) on other connections are answered
// before it. Once the lock is gone the check-in is answered after its row was written.
TEST_F(DatabaseIsolationTest, AWriteWaitingForAnotherProcesssLockHoldsUpNoOtherConnection) {
  AddUser("carol", "carol-pw", AddGroup("Viewers", 4, 0x05), 0x0F);
  WireClient writer = server_.Connect();
  WireClient bystander = server_.Connect();
  RegisterByAccountCheck(bystander);
  WriteLockHolder lock(DatabaseFile());
  ASSERT_TRUE(lock.WaitUntilLocked());

  ASSERT_TRUE(writer.Send(SiteCheckInBlock(CMD_SITE_CHECKIN, u"Lobby")));
  ASSERT_TRUE(WaitUntilServerHasRead(server_.Net().Port()));
  ExpectKeepAliveEchoed(bystander);
  WireClient newcomer = server_.Connect();
  RegisterByAccountCheck(newcomer);
  const auto login = UserLogin(newcomer, "carol-pw");
  ASSERT_TRUE(login.has_value());
  EXPECT_EQ(login->word, RSP_OK);
  EXPECT_EQ(login->value, GroupIdByName("Viewers"));
  ExpectKeepAliveEchoed(bystander);
  EXPECT_FALSE(writer.ReceiveExactly(status_layout::kSize, 0).has_value());

  lock.Release();
  ASSERT_TRUE(ReceiveStatus(writer).has_value());
  const auto sites = AllSites();
  ASSERT_EQ(sites.size(), 1u);
  EXPECT_EQ(sites[0].strSiteName, "Lobby");
}

// Many recorders checking in at once share commits; each gets its answers in its own order,
// and everything answered is in the database, camera by camera.
TEST_F(DatabaseIsolationTest, ConcurrentCheckInsAreAnsweredInOrderAndAllWritten) {
  constexpr int kRecorders = 16;
  constexpr int kCameras = 8;
  std::vector<std::thread> recorders;
  std::vector<int> answered(kRecorders, 0);
  for (int r = 0; r < kRecorders; ++r) {
    recorders.emplace_back([&, r] {
      WireClient client = server_.Connect();
      const std::u16string name = u"Site " + std::u16string(1, static_cast<char16_t>(u'a' + r));
      if (!Ask(client, SiteCheckInBlock(CMD_SITE_CHECKIN, name))) return;
      for (int c = 0; c < kCameras; ++c) {
        const auto reply = Ask(client, EncodeCameraInfo(Camera(c)));
        if (!reply || reply->word != RSP_OK) return;
        ++answered[static_cast<std::size_t>(r)];
      }
    });
  }
  for (auto& recorder : recorders) recorder.join();
  EXPECT_EQ(answered, std::vector<int>(kRecorders, kCameras));
  const auto sites = AllSites();
  ASSERT_EQ(sites.size(), static_cast<std::size_t>(kRecorders));
  for (const SiteRow& site : sites) {
    const auto cameras = CamerasOf(site.nID);
    ASSERT_EQ(cameras.size(), static_cast<std::size_t>(kCameras)) << site.strSiteName;
    for (int c = 0; c < kCameras; ++c) {
      EXPECT_EQ(cameras[static_cast<std::size_t>(c)].nIndex, c);
      EXPECT_EQ(cameras[static_cast<std::size_t>(c)].strName,
                std::string("Camera ") + static_cast<char>('A' + c));
    }
  }
}

// A password set by another process (the administration tool, a script) counts at the very
// next login, also where the server answers from the logins it keeps.
TEST_F(DatabaseIsolationTest, APasswordChangedByAnotherProcessCountsAtTheNextLogin) {
  AddUser("carol", "carol-pw", AddGroup("Viewers", 4, 0x05), 0x0F);
  ASSERT_EQ(UserLoginWord("carol-pw"), RSP_OK);
  ASSERT_EQ(AccountLoginWord("carol-pw"), RSP_OK);
  ASSERT_EQ(AccountLoginWord("carol-pw"), RSP_OK);
  const std::string digest = PasswordDigest("new-pw", false);
  const ChildProcess::Launch update{
      "/usr/bin/sqlite3",
      {DatabaseFile().string(),
       "UPDATE User SET strPassword = '" + digest + "' WHERE strName = 'carol'"},
      {},
      {}};
  ASSERT_EQ(RunToEnd(update, WireClient::kDefaultTimeoutMs), 0);
  EXPECT_EQ(AccountLoginWord("carol-pw"), RSP_FAIL);
  EXPECT_EQ(UserLoginWord("carol-pw"), RSP_FAIL);
  EXPECT_EQ(UserLoginWord("new-pw"), RSP_OK);
  EXPECT_EQ(AccountLoginWord("new-pw"), RSP_OK);
}

}  // namespace
}  // namespace orlentis::testing
