#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "net/wire_records.h"
#include "support/net/recorder_services_server.h"
#include "support/net/recorder_wire.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

struct Group {
  std::string name;  // UTF-8, as stored
  std::int32_t level;
  std::uint32_t authority;
};

// A GroupRecord of the record-protocol list, byte for byte.
Bytes GroupRecordBytes(const std::string& wireName, std::int32_t level, std::uint8_t authority0,
                       std::uint8_t authority1) {
  using namespace group_layout;
  Bytes record(kSize, 0);
  std::copy(wireName.begin(), wireName.end(), record.begin() + kName);
  StoreI32(record, kLevel, level);
  StoreU32(record, kVersion, PROTOCOL_VERSION);
  record[kAuthority] = authority0;
  record[kAuthority + 1] = authority1;
  return record;
}

Bytes HostGroupEntryBytes(std::int32_t level, const std::string& name, std::uint32_t authority) {
  using namespace host_group_layout;
  Bytes entry(kSize, 0);
  StoreI32(entry, kLevel, level);
  std::copy(name.begin(), name.end(), entry.begin() + kName);
  StoreU32(entry, kAuthority, authority);
  return entry;
}

class GroupListTest : public ::testing::Test {
 protected:
  GroupListTest() { ExecuteSql("DELETE FROM \"Group\""); }

  // Groups are listed in level order whatever order they were added in.
  void AddGroupsAtLevelsTwoZeroOne() {
    AddGroup("Two", 2, 0x1FF);
    AddGroup("Zero", 0, 0x003);
    AddGroup("One", 1, 0x050);
  }

  WireClient RegisteredClient() {
    WireClient client = server_.Connect();
    RegisterByAccountCheck(client);
    return client;
  }

  // Sends the 140-byte acknowledgement that the list waits for after each record, and lets
  // the server read it alone.
  void Acknowledge(WireClient& client) {
    ASSERT_TRUE(client.Send(Block(CMD_KEEPALIVE_ECHO, status_layout::kSize)));
    ASSERT_TRUE(WaitUntilServerHasRead(server_.Net().Port()));
  }

  RecorderServicesServer server_;
};

TEST_F(GroupListTest, RecordProtocolListsEachGroupInLevelOrderWithoutEndMarker) {
  AddGroupsAtLevelsTwoZeroOne();
  WireClient client = RegisteredClient();
  ASSERT_TRUE(client.Send(Block(CMD_GROUP_LIST, group_layout::kSize)));
  const Bytes expected[] = {GroupRecordBytes("Zero", 0, 0x03, 0x00),
                            GroupRecordBytes("One", 1, 0xA0, 0x00),
                            GroupRecordBytes("Two", 2, 0xF7, 0x03)};
  for (const auto& record : expected) {
    EXPECT_EQ(client.ReceiveExactly(group_layout::kSize), record);
    Acknowledge(client);
  }
  // Nothing follows the last record: the next answer is the keep-alive's echo.
  ExpectKeepAliveEchoed(client);
}

TEST_F(GroupListTest, HostListSendsAFrameTheEntriesInLevelOrderAndAnEndMarker) {
  AddGroupsAtLevelsTwoZeroOne();
  WireClient client = server_.Connect();
  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_GROUP_LIST, 0)));
  EXPECT_EQ(ReceiveHostFrame(client), (HostFrame{1, 0, 0}));
  EXPECT_EQ(client.ReceiveExactly(host_group_layout::kSize), HostGroupEntryBytes(0, "Zero", 0x003));
  EXPECT_EQ(client.ReceiveExactly(host_group_layout::kSize), HostGroupEntryBytes(1, "One", 0x050));
  EXPECT_EQ(client.ReceiveExactly(host_group_layout::kSize), HostGroupEntryBytes(2, "Two", 0x1FF));
  const auto end = client.ReceiveExactly(host_group_layout::kSize);
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ(LoadI32(*end, host_group_layout::kLevel), -1);
}

// Far more than the socket buffers of both ends hold while the peer is not reading: most
// records go out only once the peer makes room, and each must still arrive whole and in turn.
TEST_F(GroupListTest, AHostListLargerThanTheSocketBuffersArrivesWholeToAPeerThatReadsLate) {
  constexpr int kGroups = 20000;
  ExecuteSql("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < " +
             std::to_string(kGroups - 1) +
             ") INSERT INTO \"Group\" (strName, nLevel, bsAuthority) "
             "SELECT 'G' || i, i, i % 512 FROM n");
  WireClient client = WireClient::Narrow(server_.Net().Port());
  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_GROUP_LIST, 0)));
  EXPECT_EQ(ReceiveHostFrame(client), (HostFrame{1, 0, 0}));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  for (int level = 0; level < kGroups; ++level) {
    const auto entry = client.ReceiveExactly(host_group_layout::kSize);
    ASSERT_EQ(entry, HostGroupEntryBytes(level, "G" + std::to_string(level),
                                         static_cast<std::uint32_t>(level % 512)))
        << "entry " << level;
  }
  const auto end = client.ReceiveExactly(host_group_layout::kSize);
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ(LoadI32(*end, host_group_layout::kLevel), -1);
}

TEST_F(GroupListTest, CountCountsTheGroups) {
  AddGroupsAtLevelsTwoZeroOne();
  WireClient client = RegisteredClient();
  const auto count = Ask(client, Block(CMD_GROUP_COUNT, group_layout::kSize));
  ASSERT_TRUE(count.has_value());
  EXPECT_EQ(count->word, RSP_OK);
  EXPECT_EQ(count->value, 3);
  EXPECT_EQ(count->version, PROTOCOL_VERSION);
}

TEST_F(GroupListTest, EmptyGroupTable) {
  WireClient client = RegisteredClient();
  const auto count = Ask(client, Block(CMD_GROUP_COUNT, group_layout::kSize));
  ASSERT_TRUE(count.has_value());
  EXPECT_EQ(count->word, RSP_OK);
  EXPECT_EQ(count->value, 0);

  ASSERT_TRUE(server_.Net().SendAndWaitTaken(client, Block(CMD_GROUP_LIST, group_layout::kSize)));
  ExpectKeepAliveEchoed(client);

  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_GROUP_LIST, 0)));
  EXPECT_EQ(ReceiveHostFrame(client), (HostFrame{0, 0, 0}));
  ExpectKeepAliveEchoed(client);
}

// Texts go out in the recorders' code page, WINDOWS-1252 by default.
TEST_F(GroupListTest, NamesGoOutInTheCodePage) {
  AddGroup("Cam\xC3\xA9ras", 0, 0x001);
  WireClient client = RegisteredClient();
  ASSERT_TRUE(client.Send(Block(CMD_GROUP_LIST, group_layout::kSize)));
  EXPECT_EQ(client.ReceiveExactly(group_layout::kSize),
            GroupRecordBytes("Cam\xE9ras", 0, 0x01, 0x00));
  Acknowledge(client);

  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_GROUP_LIST, 0)));
  EXPECT_EQ(ReceiveHostFrame(client), (HostFrame{1, 0, 0}));
  EXPECT_EQ(client.ReceiveExactly(host_group_layout::kSize),
            HostGroupEntryBytes(0, "Cam\xE9ras", 0x001));
}

}  // namespace
}  // namespace orlentis::testing
