#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/wire_records.h"
#include "support/access/silent_listener.h"
#include "support/access/slapd_server.h"
#include "support/net/recorder_services_server.h"
#include "support/net/recorder_wire.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

using namespace std::chrono_literals;

constexpr const char* kAdminPassword = "test-password";

// The directory's accounts: dave has the same password in the table; erin has another one.
std::string DirectoryPeople() {
  const std::string people(SlapdServer::kPeople);
  return PersonEntry("uid=dave," + people, "dave", "dave-secret") +
         PersonEntry("uid=erin," + people, "erin", "erin-directory") +
         PersonEntry("uid=frank," + people, "frank", "frank-secret");
}

std::vector<RecorderServicesServer::SettingKey> DirectoryKeys(const std::string& uri) {
  // The test directory takes binds in the clear; a new settings file asks for StartTLS.
  return {{"ADSERVER", "URI", uri},
          {"ADSERVER", "BINDFORMAT", "uid=%s," + std::string(SlapdServer::kPeople)},
          {"ADSERVER", "TLS", "none"}};
}

void AddPeople() {
  const std::int32_t viewers = AddGroup("Viewers", 4, 0x07);
  AddUser("dave", "dave-secret", viewers, 0x03);
  AddUser("erin", "erin-secret", viewers, 0x03);
}

// HOST_USER_LOGIN with the domain logon on: the password form announced is 0 (plain text),
// except that the administrator's password still comes as its digest.
std::optional<HostFrame> HostLogin(WireClient& client, const std::string& name,
                                   const HostPassword& password) {
  EXPECT_TRUE(client.Send(EncodeHostRequest(HOST_USER_LOGIN, 0)));
  EXPECT_EQ(ReceiveHostFrame(client), (HostFrame{1, 1, 0}));
  EXPECT_TRUE(client.Send(EncodeHostCredentials(name, password)));
  return ReceiveHostFrame(client);
}

std::optional<std::uint32_t> AccountLoginWord(WireClient& client, const std::string& name,
                                              const std::string& password) {
  if (!client.Send(EncodeUserRequest(CMD_ACCOUNT_LOGIN, {name, password}))) return std::nullopt;
  const auto reply = client.ReceiveExactly(user_layout::kSize);
  if (!reply) return std::nullopt;
  return LoadU32(*reply, user_layout::kWord);
}

class DomainLogonServicesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    try {
      directory_ = std::make_unique<SlapdServer>(DirectoryPeople());
    } catch (const std::exception& error) {
      startError_ = error.what();
    }
  }
  static void TearDownTestSuite() { directory_.reset(); }

  void SetUp() override {
    ASSERT_NE(directory_, nullptr) << "the test directory server did not start: " << startError_;
    server_ = std::make_unique<RecorderServicesServer>(DirectoryKeys(directory_->Uri()));
    server_->SetDomainLogon(true);
    AddPeople();
  }

  static inline std::unique_ptr<SlapdServer> directory_;
  static inline std::string startError_;
  std::unique_ptr<RecorderServicesServer> server_;
};

TEST_F(DomainLogonServicesTest, HostLoginNeedsTheTableAndTheDirectoryButNotForTheAdministrator) {
  WireClient client = server_->Connect();
  EXPECT_EQ(HostLogin(client, "dave", HostPasswordPlain("dave-secret")), (HostFrame{1, 1, 0}));
  EXPECT_TRUE(client.ReceiveExactly(host_user_layout::kSize).has_value());
  const auto end = client.ReceiveExactly(host_site_layout::kSize);
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ(LoadI32(*end, host_site_layout::kInstance), -1);

  // The table's password, but the directory knows another one.
  EXPECT_EQ(HostLogin(client, "erin", HostPasswordPlain("erin-secret")), (HostFrame{0, 1, 0}));
  // The directory's password, but the table knows another one.
  EXPECT_EQ(HostLogin(client, "erin", HostPasswordPlain("erin-directory")), (HostFrame{0, 1, 0}));
  // In the directory only.
  EXPECT_EQ(HostLogin(client, "frank", HostPasswordPlain("frank-secret")), (HostFrame{0, 1, 0}));

  // The administrator is not in the directory and sends the digest.
  EXPECT_EQ(HostLogin(client, "Administrator", HostPasswordDigest(kAdminPassword)),
            (HostFrame{1, 1, 0}));
  EXPECT_TRUE(client.ReceiveExactly(host_user_layout::kSize).has_value());
  EXPECT_TRUE(client.ReceiveExactly(host_site_layout::kSize).has_value());
}

TEST_F(DomainLogonServicesTest, AccountLoginAsksTheDirectoryButUserLoginDoesNot) {
  WireClient client = server_->Connect();
  ASSERT_TRUE(Ask(client, SiteCheckInBlock(CMD_SITE_CHECKIN, u"Lobby")).has_value());
  EXPECT_EQ(AccountLoginWord(client, "dave", "dave-secret"), RSP_OK);
  EXPECT_EQ(AccountLoginWord(client, "erin", "erin-secret"), RSP_FAIL);
  EXPECT_EQ(AccountLoginWord(client, "administrator", kAdminPassword), RSP_OK);

  const auto userLogin = Ask(client, EncodeUserRequest(CMD_USER_LOGIN, {"erin", "erin-secret"}));
  ASSERT_TRUE(userLogin.has_value());
  EXPECT_EQ(userLogin->word, RSP_OK);
}

// A directory server that cannot be reached refuses nobody's password: the logins fail, but
// count for nothing towards the throttle, and pass once it answers again.
TEST(UnreachableDirectoryTest, LoginsItCouldNotAnswerAreNoGuesses) {
  std::string uri;
  {
    const SilentListener taken;
    uri = taken.Uri();  // nobody listens there once it is closed
  }
  auto keys = DirectoryKeys(uri);
  keys.push_back({"SECURITY", "LOGINFAILURES", "2"});
  RecorderServicesServer server(keys);
  server.SetDomainLogon(true);
  AddPeople();
  WireClient client = server.Connect();
  for (int attempt = 0; attempt < 4; ++attempt) {
    EXPECT_EQ(HostLogin(client, "dave", HostPasswordPlain("dave-secret")), (HostFrame{0, 1, 0}));
  }
  // With the directory out of the way the table decides alone: the address was never held
  // back.
  server.SetDomainLogon(false);
  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_USER_LOGIN, 0)));
  EXPECT_EQ(ReceiveHostFrame(client), (HostFrame{1, 1, 1}));
  ASSERT_TRUE(client.Send(EncodeHostCredentials("dave", HostPasswordDigest("dave-secret"))));
  EXPECT_EQ(ReceiveHostFrame(client), (HostFrame{1, 1, 1}));
}

TEST(SilentDirectoryTest, HostLoginFailsAfterTheTimeoutWhileOtherPeersAreServed) {
  SilentListener directory;
  RecorderServicesServer server(DirectoryKeys(directory.Uri()));
  server.SetDomainLogon(true);
  server.SetDirectoryTimeout(2000ms);
  AddPeople();

  WireClient waiting = server.Connect();
  ASSERT_TRUE(waiting.Send(EncodeHostRequest(HOST_USER_LOGIN, 0)));
  ASSERT_EQ(ReceiveHostFrame(waiting), (HostFrame{1, 1, 0}));
  ASSERT_TRUE(waiting.Send(EncodeHostCredentials("dave", HostPasswordPlain("dave-secret"))));
  ASSERT_TRUE(directory.WaitForCaller());

  // The directory keeps the login waiting; another peer is served meanwhile.
  WireClient other = server.Connect();
  RegisterByAccountCheck(other);
  ExpectKeepAliveEchoed(other);
  ExpectKeepAliveEchoed(other);
  EXPECT_FALSE(waiting.ReceiveExactly(host_frame_layout::kSize, 0).has_value())
      << "the login was answered before the directory's timeout";

  EXPECT_EQ(ReceiveHostFrame(waiting), (HostFrame{0, 1, 0}));
}

}  // namespace
}  // namespace orlentis::testing
