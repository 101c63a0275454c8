#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <sstream>
#include <string>

#include "base/operator_log.h"
#include "net/wire_records.h"
#include "store/bound_statement.h"
#include "store/database_maintenance.h"
#include "store/directory_version.h"
#include "store/engine.h"
#include "support/base/operator_log_lines.h"
#include "support/base/poll_until.h"
#include "support/net/recorder_services_server.h"
#include "support/net/recorder_wire.h"
#include "support/store/postgres_server.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

constexpr const char* kPeer = "127.0.0.1";
constexpr const char* kAdminPassword = "test-password";  // what NetTestServer sets up
const std::string kFirstAndThird = "1010" + std::string(60, '0');

// A UserRecord reply as the protocol lays it out; every byte not named is zero.
Bytes UserReplyBytes(std::uint32_t word, std::int32_t level, const std::string& groupName,
                     std::uint32_t cameraMask, std::uint8_t authority0, std::uint8_t authority1) {
  using namespace user_layout;
  Bytes reply(kSize, 0);
  StoreU32(reply, kWord, word);
  StoreI32(reply, kLevel, level);
  StoreU32(reply, kVersion, PROTOCOL_VERSION);
  std::copy(groupName.begin(), groupName.end(), reply.begin() + kGroupName);
  StoreU32(reply, kCameraMask, cameraMask);
  reply[kAuthority] = authority0;
  reply[kAuthority + 1] = authority1;
  return reply;
}

Bytes HostUserInfoBytes(const std::string& name, const std::string& group,
                        std::uint32_t authority) {
  using namespace host_user_layout;
  Bytes info(kSize, 0);
  std::copy(name.begin(), name.end(), info.begin() + kName);
  std::copy(group.begin(), group.end(), info.begin() + kGroupName);
  StoreU32(info, kAuthority, authority);
  return info;
}

Bytes HostSiteEntryBytes(std::int32_t instance, const std::string& cameraAuthority) {
  Bytes entry(host_site_layout::kSize, 0);
  StoreI32(entry, host_site_layout::kInstance, instance);
  std::copy(cameraAuthority.begin(), cameraAuthority.end(),
            entry.begin() + host_site_layout::kCameraAuthority);
  return entry;
}

class LoginServicesTest : public ::testing::Test {
 protected:
  LoginServicesTest() {
    viewers_ = AddGroup("Viewers", 4, 0x05);
    carol_ = AddUser("carol", "carol-pw", viewers_, 0x0F);
  }

  // A site check-in registers the connection and gives 127.0.0.1 its site row.
  std::int32_t CheckInLobby(WireClient& client) {
    EXPECT_TRUE(Ask(client, SiteCheckInBlock(CMD_SITE_CHECKIN, u"Lobby")).has_value());
    for (const auto& site : AllSites()) {
      if (site.strSiteName == "Lobby") return site.nID;
    }
    ADD_FAILURE() << "no site row after the check-in";
    return -1;
  }

  std::optional<Bytes> AccountLogin(WireClient& client, const std::string& name,
                                    const std::string& password) {
    if (!client.Send(EncodeUserRequest(CMD_ACCOUNT_LOGIN, {name, password}))) return std::nullopt;
    return client.ReceiveExactly(user_layout::kSize);
  }

  // HOST_USER_LOGIN up to the verdict frame.
  std::optional<HostFrame> HostLogin(WireClient& client, const std::string& name,
                                     const HostPassword& password, std::int32_t expectedForm = 1) {
    EXPECT_TRUE(client.Send(EncodeHostRequest(HOST_USER_LOGIN, 0)));
    EXPECT_EQ(ReceiveHostFrame(client), (HostFrame{1, 1, expectedForm}));
    EXPECT_TRUE(client.Send(EncodeHostCredentials(name, password)));
    return ReceiveHostFrame(client);
  }

  // The next 16 bytes answer a fresh request: nothing else was sent before.
  void ExpectNothingPending(WireClient& client) {
    ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_INSTANCE_CHECKOUT, 4711)));
    EXPECT_EQ(ReceiveHostFrame(client), (HostFrame{0, 0, 0}));
  }

  RecorderServicesServer server_;
  std::int32_t viewers_ = 0;
  std::int32_t carol_ = 0;
};

TEST_F(LoginServicesTest, AccountLoginAnswersLevelGroupCameraMaskAndTheUsersOwnAuthority) {
  WireClient client = server_.Connect();
  AddUserSite(carol_, CheckInLobby(client), kFirstAndThird);
  // The user's own 0x0F, not the effective 0x05: bits 0..2 stay, bit 3 moves to bit 4.
  EXPECT_EQ(AccountLogin(client, "carol", "carol-pw"),
            UserReplyBytes(RSP_OK, 4, "Viewers", 0x0005, 0x17, 0x00));
  // Names compare without regard to case.
  EXPECT_EQ(AccountLogin(client, "CAROL", "carol-pw"),
            UserReplyBytes(RSP_OK, 4, "Viewers", 0x0005, 0x17, 0x00));
  EXPECT_EQ(AccountLogin(client, "carol", "Carol-pw"), UserReplyBytes(RSP_FAIL, 0, "", 0, 0, 0));
}

TEST_F(LoginServicesTest, AccountLoginWithoutPermissionRowGivesNoCamerasButTheAdministratorAll) {
  WireClient client = server_.Connect();
  CheckInLobby(client);
  EXPECT_EQ(AccountLogin(client, "carol", "carol-pw"),
            UserReplyBytes(RSP_OK, 4, "Viewers", 0, 0x17, 0x00));
  EXPECT_EQ(AccountLogin(client, "administrator", kAdminPassword),
            UserReplyBytes(RSP_OK, 0, "Administrator", 0xFFFF, 0xF7, 0x03));
  EXPECT_EQ(CountRows("UserSite"), 0);
}

TEST_F(LoginServicesTest, AccountLoginOfAUserWithoutGroupFailsWithWhatWasFound) {
  const std::int32_t orphan = AddUser("orphan", "orphan-pw", 999, 0x03);
  WireClient client = server_.Connect();
  AddUserSite(orphan, CheckInLobby(client), "1");
  EXPECT_EQ(AccountLogin(client, "orphan", "orphan-pw"),
            UserReplyBytes(RSP_FAIL, 0, "", 0x0001, 0x03, 0x00));
}

TEST_F(LoginServicesTest, UserLoginAnswersTheGroupIdAndTheFixedRequestsTheirValues) {
  ASSERT_NE(carol_, viewers_);
  WireClient client = server_.Connect();
  CheckInLobby(client);
  struct Case {
    RecordBytes<user_layout::kSize> request;
    std::uint32_t word;
    std::int32_t value;
  };
  const Case cases[] = {
      {EncodeUserRequest(CMD_USER_LOGIN, {"carol", "carol-pw"}), RSP_OK, viewers_},
      {EncodeUserRequest(CMD_USER_LOGIN, {"carol", "wrong"}), RSP_FAIL, 0},
      {EncodeUserRequest(CMD_USER_LOGIN, {"nobody", "carol-pw"}), RSP_FAIL, 0},
      {EncodeUserRequest(CMD_USER_LOGOUT, {"carol", ""}), RSP_OK, 0},
      {EncodeUserRequest(CMD_USER_STATUS, {"carol", ""}), RSP_OK, 1},
  };
  for (const auto& c : cases) {
    const auto reply = Ask(client, c.request);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->word, c.word);
    EXPECT_EQ(reply->value, c.value);
    EXPECT_EQ(reply->version, PROTOCOL_VERSION);
  }
}

// Stored digests are taken over the code page's bytes, and a plain password arrives in them.
TEST_F(LoginServicesTest, PlainPasswordsAreHashedOverTheirCodePageBytes) {
  const std::string password = "gr\xFC\xDF-pw";  // in WINDOWS-1252
  AddUser("dora", password, viewers_, 0x01);
  WireClient client = server_.Connect();
  CheckInLobby(client);
  EXPECT_EQ(AccountLogin(client, "dora", password),
            UserReplyBytes(RSP_OK, 4, "Viewers", 0, 0x01, 0x00));
  const auto reply = Ask(client, EncodeUserRequest(CMD_USER_LOGIN, {"dora", password}));
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->word, RSP_OK);
  EXPECT_EQ(reply->value, viewers_);
}

TEST_F(LoginServicesTest, HostLoginSendsTheEffectiveAuthorityAndThePermittedInstancesInOrder) {
  // Instances 2, 0, 1 at the host's address (added out of order), one elsewhere.
  const std::int32_t two = AddSite(kPeer, 2, "Two");
  const std::int32_t zero = AddSite(kPeer, 0, "Zero");
  AddSite(kPeer, 1, "One");
  const std::int32_t elsewhere = AddSite("10.1.1.1", 0, "Elsewhere");
  const std::string zeroText = std::string(64, '1');
  const std::string twoText = "01" + std::string(62, '0');
  AddUserSite(carol_, two, twoText);
  AddUserSite(carol_, zero, zeroText);
  AddUserSite(carol_, elsewhere, zeroText);

  WireClient client = server_.Connect();
  EXPECT_EQ(HostLogin(client, "carol", HostPasswordDigest("carol-pw")), (HostFrame{1, 1, 1}));
  EXPECT_EQ(client.ReceiveExactly(host_user_layout::kSize),
            HostUserInfoBytes("carol", "Viewers", 0x05));
  EXPECT_EQ(client.ReceiveExactly(host_site_layout::kSize), HostSiteEntryBytes(0, zeroText));
  EXPECT_EQ(client.ReceiveExactly(host_site_layout::kSize), HostSiteEntryBytes(2, twoText));
  const auto end = client.ReceiveExactly(host_site_layout::kSize);
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ(LoadI32(*end, host_site_layout::kInstance), -1);
  ExpectNothingPending(client);
}

// The answer's records wait in the socket for its last one, so that they travel together and
// wake the host once rather than once a record; each still comes whole and in order.
TEST_F(LoginServicesTest, HostLoginAnswerAfterTheCredentialsTravelsInFewerSegmentsThanRecords) {
  AddUserSite(carol_, AddSite(kPeer, 0, "Zero"), kFirstAndThird);
  Bytes answer;
  const auto append = [&answer](std::span<const std::uint8_t> record) {
    answer.insert(answer.end(), record.begin(), record.end());
  };
  append(EncodeHostFrame({1, 1, 1}));
  append(HostUserInfoBytes("carol", "Viewers", 0x05));
  append(HostSiteEntryBytes(0, kFirstAndThird));
  append(HostSiteEntryBytes(-1, ""));
  constexpr std::uint32_t kRecords = 4;

  WireClient client = server_.Connect();
  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_USER_LOGIN, 0)));
  ASSERT_EQ(ReceiveHostFrame(client), (HostFrame{1, 1, 1}));
  const std::uint32_t segmentsBefore = client.SegmentsReceived();
  ASSERT_TRUE(client.Send(EncodeHostCredentials("carol", HostPasswordDigest("carol-pw"))));
  EXPECT_EQ(client.ReceiveExactly(answer.size()), answer);
  EXPECT_LT(client.SegmentsReceived() - segmentsBefore, kRecords);
  ExpectNothingPending(client);
}

// A connection is not idle while it is inside an exchange: an expiry sweep that falls into a
// first request waiting for the host's credentials leaves it to finish.
TEST_F(LoginServicesTest, AHostLoginWaitingForItsCredentialsOutlastsAnExpirySweep) {
  WireClient client = server_.Connect();
  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_USER_LOGIN, 0)));
  ASSERT_EQ(ReceiveHostFrame(client), (HostFrame{1, 1, 1}));
  server_.Net().SweepExpiredConnections();
  EXPECT_EQ(server_.Net().ListedConnections(), 1u);
  ASSERT_TRUE(client.Send(EncodeHostCredentials("carol", HostPasswordDigest("carol-pw"))));
  EXPECT_EQ(ReceiveHostFrame(client), (HostFrame{1, 1, 1}));
}

// Inside an exchange each block is read at exactly its size: credentials one byte too long are
// served as the credentials, and the stray byte is then the next request, too short for any,
// which takes the failure path.
TEST_F(LoginServicesTest, CredentialsOneByteTooLongLeaveTheExtraByteAsTheNextRequest) {
  WireClient client = server_.Connect();
  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_USER_LOGIN, 0)));
  ASSERT_EQ(ReceiveHostFrame(client), (HostFrame{1, 1, 1}));
  Bytes credentials = ToBytes(EncodeHostCredentials("carol", HostPasswordDigest("carol-pw")));
  credentials.push_back(0x01);
  ASSERT_TRUE(client.Send(credentials));
  EXPECT_EQ(ReceiveHostFrame(client), (HostFrame{1, 1, 1}));
  EXPECT_EQ(client.ReceiveExactly(host_user_layout::kSize),
            HostUserInfoBytes("carol", "Viewers", 0x05));
  const auto end = client.ReceiveExactly(host_site_layout::kSize);
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ(LoadI32(*end, host_site_layout::kInstance), -1);
  EXPECT_TRUE(server_.Net().WaitForFailures(1));
}

TEST_F(LoginServicesTest, HostLoginGivesTheAdministratorNoInstances) {
  const std::int32_t zero = AddSite(kPeer, 0, "Zero");
  const std::int32_t admin = 1;
  AddUserSite(admin, zero, std::string(64, '1'));
  WireClient client = server_.Connect();
  EXPECT_EQ(HostLogin(client, "Administrator", HostPasswordDigest(kAdminPassword)),
            (HostFrame{1, 1, 1}));
  EXPECT_EQ(client.ReceiveExactly(host_user_layout::kSize),
            HostUserInfoBytes("Administrator", "Administrator", 0x1FF));
  const auto end = client.ReceiveExactly(host_site_layout::kSize);
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ(LoadI32(*end, host_site_layout::kInstance), -1);
  ExpectNothingPending(client);
}

// A 64-character group name fills its field without a terminator; the user block carries the
// name as stored, whatever letter case the host sent.
TEST_F(LoginServicesTest, FullWidthGroupNameAndStoredUserName) {
  const std::string longName(64, 'G');
  const std::int32_t group = AddGroup(longName + "-cut", 5, 0x1FF);
  AddUser("Heidi", "heidi-pw", group, 0x001);
  WireClient client = server_.Connect();
  CheckInLobby(client);
  EXPECT_EQ(AccountLogin(client, "heidi", "heidi-pw"),
            UserReplyBytes(RSP_OK, 5, longName, 0, 0x01, 0x00));
  EXPECT_EQ(HostLogin(client, "HEIDI", HostPasswordDigest("heidi-pw")), (HostFrame{1, 1, 1}));
  EXPECT_EQ(client.ReceiveExactly(host_user_layout::kSize),
            HostUserInfoBytes("Heidi", longName, 0x001));
}

TEST_F(LoginServicesTest, HostLoginRefusals) {
  WireClient client = server_.Connect();
  // The plain password where the digest is due, and a wrong digest.
  EXPECT_EQ(HostLogin(client, "carol", HostPasswordPlain("carol-pw")), (HostFrame{0, 1, 1}));
  ExpectNothingPending(client);
  EXPECT_EQ(HostLogin(client, "carol", HostPasswordDigest("carol-PW")), (HostFrame{0, 1, 1}));
  ExpectNothingPending(client);

  // A credential block one byte short ends the exchange after the first frame.
  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_USER_LOGIN, 0)));
  ASSERT_EQ(ReceiveHostFrame(client), (HostFrame{1, 1, 1}));
  auto credentials = ToBytes(EncodeHostCredentials("carol", HostPasswordDigest("carol-pw")));
  credentials.pop_back();
  ASSERT_TRUE(server_.Net().SendAndWaitTaken(client, credentials));
  ExpectNothingPending(client);
}

TEST_F(LoginServicesTest, NamesWithQuotesAndSqlPunctuationArePlainNames) {
  const std::string name = "o'hara \"x\"; DELETE FROM User; --";
  AddUser(name, "quoted-pw", viewers_, 0x01);
  WireClient client = server_.Connect();
  CheckInLobby(client);
  EXPECT_EQ(AccountLogin(client, name, "quoted-pw"),
            UserReplyBytes(RSP_OK, 4, "Viewers", 0, 0x01, 0x00));
  EXPECT_EQ(AccountLogin(client, "o'hara", "quoted-pw"), UserReplyBytes(RSP_FAIL, 0, "", 0, 0, 0));
  EXPECT_EQ(HostLogin(client, name, HostPasswordDigest("quoted-pw")), (HostFrame{1, 1, 1}));
  EXPECT_EQ(client.ReceiveExactly(host_user_layout::kSize),
            HostUserInfoBytes(name, "Viewers", 0x01));
  EXPECT_EQ(CountRows("\"User\""), 3);
}

// The account check: one login, answered as usual, and the connection ends.
TEST_F(LoginServicesTest, AccountCheckEndsAfterAFailedLoginAndTouchesNoTable) {
  WireClient client = server_.Connect();
  RegisterByAccountCheck(client);
  // Taken means answered and the account check ended.
  ASSERT_TRUE(server_.Net().SendAndWaitTaken(
      client, EncodeUserRequest(CMD_ACCOUNT_LOGIN, {"carol", "wrong"})));
  EXPECT_EQ(client.ReceiveExactly(user_layout::kSize), UserReplyBytes(RSP_FAIL, 0, "", 0, 0, 0));
  server_.Net().SweepDeadConnections();
  EXPECT_TRUE(client.WaitForClose());
  EXPECT_EQ(server_.Net().ListedConnections(), 0u);
  EXPECT_EQ(CountRows("Site"), 0);
  EXPECT_EQ(CountRows("Log"), 0);
}

TEST_F(LoginServicesTest, LowerCaseAccountCheckTagIsAnOrdinaryCheckIn) {
  WireClient client = server_.Connect();
  const auto reply =
      Ask(client, SiteCheckInBlock(CMD_SITE_CHECKIN, u"Lobby", "velto_checkaccount"));
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->word, RSP_OK);
  ASSERT_EQ(AllSites().size(), 1u);
  EXPECT_EQ(AllSites()[0].strSiteName, "Lobby");
  // Still registered after the login: a site's connection does not end with it.
  EXPECT_EQ(AccountLogin(client, "carol", "carol-pw"),
            UserReplyBytes(RSP_OK, 4, "Viewers", 0, 0x17, 0x00));
  ExpectKeepAliveEchoed(client);
}

// The verdict of a whole host login from source (a loopback address of the test's choice).
std::int32_t HostLoginVerdict(RecorderServicesServer& server, const char* source,
                              const std::string& password) {
  WireClient client(server.Net().Port(), source);
  EXPECT_TRUE(client.Send(EncodeHostRequest(HOST_USER_LOGIN, 0)));
  EXPECT_EQ(ReceiveHostFrame(client), (HostFrame{1, 1, 1}));
  EXPECT_TRUE(client.Send(EncodeHostCredentials("carol", HostPasswordDigest(password))));
  const auto verdict = ReceiveHostFrame(client);
  return verdict ? verdict->word : -1;
}

// Password guessing from one address is held to a few tries per cool-down: after three failed
// logins within the window, every login from that address fails at once, the right password
// too, while other addresses log in as ever; the episode is logged once and ends with the
// cool-down.
TEST(LoginThrottleTest, GuessesFromOneAddressAreCutOffForTheCoolDown) {
  RecorderServicesServer server({{"SECURITY", "LOGINFAILURES", "3"},
                                 {"SECURITY", "LOGINWINDOW", "60"},
                                 {"SECURITY", "LOGINCOOLDOWN", "300"}});
  AddUser("carol", "carol-pw", AddGroup("Viewers", 4, 0x05), 0x0F);
  std::ostringstream log;
  const OperatorLogCapture capture(log);
  for (int guess = 0; guess < 3; ++guess) {
    EXPECT_EQ(HostLoginVerdict(server, "127.0.0.1", "wrong"), 0);
  }
  // Said in the operator's log too, once: the event log may be what cannot be written.
  EXPECT_TRUE(IsTheOnlyWarningLine(log.str(),
                                   "[access.logins-throttled] logins for 127.0.0.1 are "
                                   "refused for 300 s after 3 failed within 60 s"))
      << log.str();
  EXPECT_EQ(HostLoginVerdict(server, "127.0.0.1", "carol-pw"), 0);
  EXPECT_EQ(HostLoginVerdict(server, "127.0.0.2", "carol-pw"), 1);
  WireClient site(server.Net().Port());
  RegisterByAccountCheck(site);
  ASSERT_TRUE(site.Send(EncodeUserRequest(CMD_ACCOUNT_LOGIN, {"carol", "carol-pw"})));
  const auto account = site.ReceiveExactly(user_layout::kSize);
  ASSERT_TRUE(account.has_value());
  EXPECT_EQ(LoadU32(*account, user_layout::kWord), RSP_FAIL);

  const auto entries = LogOldestFirst();
  EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                          [](const LogRow& entry) { return entry.strSource == "127.0.0.1"; }),
            1);
  server.Net().Clock().AdvanceSeconds(301);
  EXPECT_EQ(HostLoginVerdict(server, "127.0.0.1", "carol-pw"), 1);
}

// Servers sharing a PostgreSQL database count failed logins together: with two failures from
// 127.0.0.1 counted by others, this server's first one reaches the limit of three, and the
// address cools down here at once, while another address logs in as ever.
TEST(LoginThrottleTest, FailuresThatOtherServersCountedHoldAnAddressBackHere) {
  if (!PostgresServer::BinaryFolder()) GTEST_SKIP() << "PostgreSQL is not installed";
  RecorderServicesServer server({{"SECURITY", "LOGINFAILURES", "3"},
                                 {"SECURITY", "LOGINWINDOW", "60"},
                                 {"SECURITY", "LOGINCOOLDOWN", "300"}},
                                DatabaseEngine::kPostgres);
  AddUser("carol", "carol-pw", AddGroup("Viewers", 4, 0x05), 0x0F);
  const double now = static_cast<double>(server.Net().Clock().Now());
  BoundStatement(ThreadSession(),
                 "INSERT INTO orlentis_login_failure (key, window_start, failures) "
                 "VALUES ('address 127.0.0.1', :start, 2)")
      .Use(now)
      .Execute();
  std::ostringstream log;
  const OperatorLogCapture capture(log);
  EXPECT_EQ(HostLoginVerdict(server, "127.0.0.1", "wrong"), 0);
  EXPECT_NE(log.str().find("[access.logins-throttled] logins for 127.0.0.1"), std::string::npos)
      << log.str();
  EXPECT_EQ(HostLoginVerdict(server, "127.0.0.1", "carol-pw"), 0);
  EXPECT_EQ(HostLoginVerdict(server, "127.0.0.2", "carol-pw"), 1);
  int failures = 0;
  BoundStatement(ThreadSession(),
                 "SELECT failures FROM orlentis_login_failure WHERE key = 'address 127.0.0.1'")
      .Into(failures)
      .Execute();
  EXPECT_EQ(failures, 3);
}

// On PostgreSQL a login answered once is answered again by the network thread itself, from what
// was read at the directory's version that still holds: it does not queue behind a reading
// thread that waits for a lock, while a login never answered does.
TEST(WarmLoginTest, AWarmLoginIsAnsweredWhileTheReadingThreadWaits) {
  if (!PostgresServer::BinaryFolder()) GTEST_SKIP() << "PostgreSQL is not installed";
  RecorderServicesServer server({}, DatabaseEngine::kPostgres);
  AddUser("carol", "carol-pw", AddGroup("Viewers", 4, 0x05), 0x0F);
  DirectoryVersionWatch& watch = DirectoryVersionWatch::Instance();
  watch.Start(CurrentDatabaseTarget());
  ASSERT_TRUE(watch.WaitUntilKnown(std::chrono::seconds(3)));
  ASSERT_EQ(HostLoginVerdict(server, "127.0.0.1", "carol-pw"), 1);

  const auto locker = OpenSession(CurrentDatabaseTarget());
  BoundStatement(*locker, "BEGIN").Execute();
  BoundStatement(*locker, "LOCK TABLE \"User\" IN ACCESS EXCLUSIVE MODE").Execute();
  WireClient cold(server.Net().Port());
  ASSERT_TRUE(cold.Send(EncodeHostRequest(HOST_USER_LOGIN, 0)));
  ASSERT_EQ(ReceiveHostFrame(cold), (HostFrame{1, 1, 1}));
  ASSERT_TRUE(cold.Send(EncodeHostCredentials("carol", HostPasswordDigest("other-pw"))));
  ASSERT_TRUE(PollUntil(
      [&] {
        int waiting = 0;
        BoundStatement(*locker, "SELECT COUNT(*) FROM pg_locks WHERE NOT granted")
            .Into(waiting)
            .Execute();
        return waiting > 0;
      },
      std::chrono::seconds(3)));
  EXPECT_EQ(HostLoginVerdict(server, "127.0.0.1", "carol-pw"), 1);
  BoundStatement(*locker, "ROLLBACK").Execute();
  EXPECT_EQ(ReceiveHostFrame(cold), (HostFrame{0, 1, 1}));
  watch.Stop();
}

// A login that the database could not answer fails, but is no guess: once the database is
// back, the address that kept logging in meanwhile gets in at once.
TEST(LoginThrottleTest, LoginsTheDatabaseCouldNotAnswerAreNoGuesses) {
  RecorderServicesServer server({{"SECURITY", "LOGINFAILURES", "3"}});
  AddUser("carol", "carol-pw", AddGroup("Viewers", 4, 0x05), 0x0F);
  DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  maintenance.MarkUnusable("the test took it away");
  for (int attempt = 0; attempt < 5; ++attempt) {
    EXPECT_EQ(HostLoginVerdict(server, "127.0.0.1", "carol-pw"), 0);
    WireClient site(server.Net().Port());
    RegisterByAccountCheck(site);
    ASSERT_TRUE(site.Send(EncodeUserRequest(CMD_USER_LOGIN, {"carol", "carol-pw"})));
    const auto reply = ReceiveStatus(site);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->word, RSP_FAIL);
  }
  maintenance.MarkUsable();
  EXPECT_EQ(HostLoginVerdict(server, "127.0.0.1", "carol-pw"), 1);
}

}  // namespace
}  // namespace orlentis::testing
