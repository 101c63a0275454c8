#include <gtest/gtest.h>

#include <mutex>
#include <string>

#include "net/recorder_connection.h"
#include "net/request_handlers.h"
#include "net/wire_records.h"
#include "support/net/net_test_server.h"
#include "support/net/recorder_wire.h"

namespace orlentis::testing {
namespace {

class DispatcherTest : public ::testing::Test {
 protected:
  // The request took the failure path: nothing was answered and the next dead-connection
  // sweep closes the connection.
  void ExpectFailedAndSwept(WireClient& client) {
    ASSERT_TRUE(server_.WaitForFailures(1));
    server_.SweepDeadConnections();
    EXPECT_TRUE(client.WaitForClose());
    EXPECT_EQ(server_.ListedConnections(), 0u);
  }

  NetTestServer server_;
};

class HostCheckTest : public DispatcherTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(HostCheckTest, IsAnsweredOnceAndTheConnectionEndsAtTheNextSweep) {
  WireClient client = server_.Connect();
  ASSERT_TRUE(client.Send(CheckIn(GetParam())));
  const auto reply = client.ReceiveExactly(status_layout::kSize);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(LoadU32(*reply, 0), RSP_OK);
  EXPECT_EQ(LoadU32(*reply, status_layout::kVersion), PROTOCOL_VERSION);
  EXPECT_TRUE(std::all_of(reply->begin() + 4, reply->begin() + status_layout::kVersion,
                          [](std::uint8_t byte) { return byte == 0; }));

  // The connection is dead now: a second check takes the failure path unanswered.
  ASSERT_TRUE(client.Send(CheckIn(GetParam())));
  ExpectFailedAndSwept(client);
}

INSTANTIATE_TEST_SUITE_P(AnyLetterCase, HostCheckTest,
                         ::testing::Values("CheckHostExist", "checkhostexist", "CHECKHOSTEXIST"));

TEST_F(DispatcherTest, AccountCheckTagIsCaseSensitive) {
  // In lower case it is an ordinary site check-in, which goes to the (here empty) handlers and
  // registers the connection without an answer; an account check would answer RSP_OK first.
  WireClient client = server_.Connect();
  ASSERT_TRUE(server_.SendAndWaitTaken(client, CheckIn("velto_checkaccount")));
  ExpectKeepAliveEchoed(client);
}

TEST_F(DispatcherTest, KeepAliveIsEchoedOnlyOnARegisteredConnectionAndOnlyAt140Bytes) {
  WireClient client = server_.Connect();
  ASSERT_TRUE(server_.SendAndWaitTaken(client, Block(CMD_KEEPALIVE, 140)));  // unregistered
  RegisterByAccountCheck(client);
  ASSERT_TRUE(server_.SendAndWaitTaken(client, Block(CMD_KEEPALIVE, 139)));
  ASSERT_TRUE(server_.SendAndWaitTaken(client, Block(CMD_KEEPALIVE, 141)));
  ExpectKeepAliveEchoed(client);
  EXPECT_EQ(server_.FailureCount(), 0);
}

struct SizedKind {
  std::uint32_t kind;
  std::size_t size;
};

class WrongSizeTest : public DispatcherTest, public ::testing::WithParamInterface<SizedKind> {};

TEST_P(WrongSizeTest, OneByteShortOrLongIsDroppedAndTheConnectionStays) {
  WireClient client = server_.Connect();
  RegisterByAccountCheck(client);
  ASSERT_TRUE(server_.SendAndWaitTaken(client, Block(GetParam().kind, GetParam().size - 1)));
  ASSERT_TRUE(server_.SendAndWaitTaken(client, Block(GetParam().kind, GetParam().size + 1)));
  ExpectKeepAliveEchoed(client);
  EXPECT_EQ(server_.FailureCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryFixedSizeKind, WrongSizeTest,
    ::testing::Values(SizedKind{CMD_KEEPALIVE, 140}, SizedKind{CMD_CAMERA_INFO, 268},
                      SizedKind{CMD_CAMERA_RESET, 268}, SizedKind{CMD_USER_LOGIN, 396},
                      SizedKind{CMD_USER_LOGOUT, 396}, SizedKind{CMD_USER_STATUS, 396},
                      SizedKind{CMD_SITE_CHECKIN, 504}, SizedKind{CMD_SITE_UPDATE, 504},
                      SizedKind{CMD_ACCOUNT_LOGIN, 396}, SizedKind{CMD_GROUP_COUNT, 348},
                      SizedKind{CMD_USER_LIST, 396}, SizedKind{CMD_GROUP_LIST, 348},
                      SizedKind{CMD_HOST, 16}));

class UnregisteredTest : public DispatcherTest, public ::testing::WithParamInterface<SizedKind> {};

TEST_P(UnregisteredTest, RequestIsDroppedWithoutAnswer) {
  WireClient client = server_.Connect();
  ASSERT_TRUE(server_.SendAndWaitTaken(client, Block(GetParam().kind, GetParam().size)));
  // The next bytes must be the account check's answer, {RSP_OK, 0}.
  ASSERT_TRUE(client.Send(CheckIn("VELTO_CheckAccount")));
  const auto reply = ReceiveStatus(client);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->word, RSP_OK);
  EXPECT_EQ(reply->value, 0);
  EXPECT_EQ(server_.FailureCount(), 0);
}

// Requests that would be answered at once on a registered connection, and the status words,
// which only the server sends.
INSTANTIATE_TEST_SUITE_P(AnsweredKinds, UnregisteredTest,
                         ::testing::Values(SizedKind{CMD_KEEPALIVE, 140},
                                           SizedKind{CMD_USER_STATUS, 396},
                                           SizedKind{CMD_USER_LOGOUT, 396},
                                           SizedKind{CMD_CAMERA_RESET, 268},
                                           SizedKind{CMD_USER_LIST, 396}, SizedKind{RSP_OK, 140},
                                           SizedKind{RSP_FAIL, 140}));

struct Answer {
  std::uint32_t kind;
  std::size_t size;
  std::int32_t value;
};

class ProtocolAnswerTest : public DispatcherTest, public ::testing::WithParamInterface<Answer> {};

TEST_P(ProtocolAnswerTest, RegisteredRequestIsAnsweredWithStatus) {
  WireClient client = server_.Connect();
  RegisterByAccountCheck(client);
  ASSERT_TRUE(client.Send(Block(GetParam().kind, GetParam().size)));
  const auto reply = ReceiveStatus(client);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->word, RSP_OK);
  EXPECT_EQ(reply->value, GetParam().value);
  EXPECT_EQ(reply->version, PROTOCOL_VERSION);
}

INSTANTIATE_TEST_SUITE_P(StatusReplies, ProtocolAnswerTest,
                         ::testing::Values(Answer{CMD_USER_STATUS, 396, 1},
                                           Answer{CMD_USER_LOGOUT, 396, 0},
                                           Answer{CMD_CAMERA_RESET, 268, 0}));

struct FailingBlock {
  const char* name;
  std::vector<std::uint8_t> block;
};

class FailurePathTest : public DispatcherTest,
                        public ::testing::WithParamInterface<FailingBlock> {};

TEST_P(FailurePathTest, BlockIsNotAnsweredAndTheConnectionIsSwept) {
  WireClient client = server_.Connect();
  ASSERT_TRUE(client.Send(GetParam().block));
  ExpectFailedAndSwept(client);
}

std::vector<std::uint8_t> Frame(std::int32_t operation, std::int32_t flag, std::int32_t value) {
  const auto frame = EncodeHostFrame({operation, flag, value});
  return {frame.begin(), frame.end()};
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, FailurePathTest,
    ::testing::Values(FailingBlock{"ThreeBytes", Block(CMD_KEEPALIVE, 3)},
                      FailingBlock{"UnknownKind4000Bytes", Block(0x1234, 4000)},
                      FailingBlock{"KnownKind4001Bytes", Block(CMD_KEEPALIVE_ECHO, 4001)},
                      FailingBlock{"UnknownKind", Block(0, 140)},
                      FailingBlock{"CheckoutWrongFlag", Frame(HOST_INSTANCE_CHECKOUT, 1, 5)},
                      FailingBlock{"CheckinWrongFlag", Frame(HOST_INSTANCE_CHECKIN, 0, 5)},
                      FailingBlock{"LoginWrongFlag", Frame(HOST_USER_LOGIN, 2, 0)}),
    [](const auto& info) { return std::string(info.param.name); });

class UnknownOperationTest : public DispatcherTest,
                             public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(UnknownOperationTest, IsAnsweredWithMinusOneThenSwept) {
  WireClient client = server_.Connect();
  ASSERT_TRUE(client.Send(Frame(GetParam(), 0, 0)));
  const auto reply = client.ReceiveExactly(host_frame_layout::kSize);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(LoadU32(*reply, 0), CMD_HOST);
  EXPECT_EQ(DecodeHostFrame(*reply), (HostFrame{-1, 0, 0}));
  ExpectFailedAndSwept(client);
}

INSTANTIATE_TEST_SUITE_P(OutsideTwoToSix, UnknownOperationTest, ::testing::Values(7, 1, -1));

TEST_F(DispatcherTest, KeepAliveEchoOfAnySizeIsTakenSilently) {
  WireClient client = server_.Connect();
  ASSERT_TRUE(server_.SendAndWaitTaken(client, Block(CMD_KEEPALIVE_ECHO, 4)));
  ASSERT_TRUE(client.Send(CheckIn("VELTO_CheckAccount")));
  const auto reply = ReceiveStatus(client);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->word, RSP_OK);
}

TEST_F(DispatcherTest, PeerThatResetsLeavesNoEntryAfterTheSweep) {
  WireClient client = server_.Connect();
  ASSERT_TRUE(server_.WaitForListedConnections(1));
  client.Reset();
  ASSERT_TRUE(server_.WaitForFailures(1));
  server_.SweepDeadConnections();
  EXPECT_EQ(server_.ListedConnections(), 0u);
}

TEST_F(DispatcherTest, UserListSendsThePlaceholderAndConsumesOneAcknowledgement) {
  WireClient client = server_.Connect();
  RegisterByAccountCheck(client);
  ASSERT_TRUE(client.Send(Block(CMD_USER_LIST, 396)));
  const auto reply = client.ReceiveExactly(user_layout::kSize);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(LoadU32(*reply, user_layout::kWord), 0u);
  EXPECT_EQ(LoadText(*reply, user_layout::kName, 64), "N/A");
  EXPECT_EQ(LoadText(*reply, user_layout::kPassword, 128), "N/A");
  EXPECT_EQ(LoadText(*reply, user_layout::kGroupName, 64), "N/A");
  EXPECT_EQ(LoadText(*reply, user_layout::kDescription, 64), "User list unavailable.");
  EXPECT_EQ(LoadU32(*reply, user_layout::kVersion), PROTOCOL_VERSION);

  // The acknowledgement looks like a keep-alive but is only read, never echoed.
  auto acknowledgement = Block(CMD_KEEPALIVE, 140);
  acknowledgement[4] ^= 0xFF;
  ASSERT_TRUE(server_.SendAndWaitTaken(client, acknowledgement));
  ExpectKeepAliveEchoed(client);
}

// Handlers of the next layer plug in here; this one answers a site check-in and records what
// the dispatcher handed over.
class RecordingHandlers : public RequestHandlers {
 public:
  asio::awaitable<void> SiteCheckIn(RecorderConnection& connection, bool isUpdate) override {
    {
      std::lock_guard lock(mutex_);
      kind_ = connection.Kind();
      storedAddress_ = connection.StoredCheckIn().PeerAddress();
      storedPort_ = connection.StoredCheckIn().PeerPort();
      peerPort_ = connection.PeerPort();
      isUpdate_ = isUpdate;
    }
    co_await connection.Send(EncodeStatus(RSP_OK, 0));
  }
  asio::awaitable<void> HostInstanceCheckOut(RecorderConnection& connection,
                                             std::int32_t instance) override {
    co_await connection.Send(EncodeHostFrame({1, 0, instance}));
  }

  std::mutex mutex_;
  ConnectionKind kind_ = ConnectionKind::kNone;
  std::string storedAddress_;
  std::int32_t storedPort_ = 0;
  std::int32_t peerPort_ = -1;
  bool isUpdate_ = false;
};

TEST(DispatcherSeamTest, SiteCheckInReachesTheHandlerWithTheStoredRecordAndRegisters) {
  RecordingHandlers handlers;
  NetTestServer server(&handlers);
  WireClient client = server.Connect();
  ASSERT_TRUE(client.Send(CheckIn("anything")));
  const auto reply = ReceiveStatus(client);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->word, RSP_OK);
  {
    std::lock_guard lock(handlers.mutex_);
    EXPECT_EQ(handlers.kind_, ConnectionKind::kSite);
    EXPECT_EQ(handlers.storedAddress_, "127.0.0.1");
    EXPECT_EQ(handlers.storedPort_, handlers.peerPort_);
    EXPECT_FALSE(handlers.isUpdate_);
  }
  ExpectKeepAliveEchoed(client);  // the check-in registered the connection
}

TEST(DispatcherSeamTest, SiteUpdateDoesNotRegister) {
  RecordingHandlers handlers;
  NetTestServer server(&handlers);
  WireClient client = server.Connect();
  ASSERT_TRUE(client.Send(CheckIn("anything", CMD_SITE_UPDATE)));
  ASSERT_TRUE(ReceiveStatus(client).has_value());
  // Not registered: the keep-alive is dropped, and the host frame after it is answered first.
  ASSERT_TRUE(server.SendAndWaitTaken(client, Block(CMD_KEEPALIVE, 140)));
  ASSERT_TRUE(client.Send(Frame(HOST_INSTANCE_CHECKOUT, 0, 9)));
  const auto frame = client.ReceiveExactly(host_frame_layout::kSize);
  ASSERT_TRUE(frame.has_value());
  EXPECT_EQ(DecodeHostFrame(*frame), (HostFrame{1, 0, 9}));
  std::lock_guard lock(handlers.mutex_);
  EXPECT_TRUE(handlers.isUpdate_);
}

}  // namespace
}  // namespace orlentis::testing
