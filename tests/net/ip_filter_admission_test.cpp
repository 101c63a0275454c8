#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "directory/ip_filter.h"
#include "store/bound_statement.h"
#include "store/engine.h"
#include "support/net/net_test_server.h"
#include "support/net/recorder_wire.h"
#include "support/store/postgres_server.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

// The test's peers all come from 127.0.0.1, so the ranges are placed around that address.
struct AdmissionCase {
  const char* name;
  std::int32_t mode;
  const char* from;  // nullptr: the table stays empty
  const char* to;
  bool admitted;
};

class IpFilterAdmissionTest : public ::testing::TestWithParam<AdmissionCase> {};

TEST_P(IpFilterAdmissionTest, DecidesAtTheAccept) {
  NetTestServer server;
  server.Program().SetIpFilter(true, GetParam().mode);
  if (GetParam().from != nullptr) AddFilterRange(GetParam().from, GetParam().to);
  WireClient client = server.Connect();
  if (GetParam().admitted) {
    RegisterByAccountCheck(client);
  } else {
    EXPECT_TRUE(client.WaitForClose());
    EXPECT_EQ(server.ListedConnections(), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IpFilterAdmissionTest,
    ::testing::Values(
        AdmissionCase{"DenyEmptyTable", kFilterDenyMode, nullptr, nullptr, true},
        AdmissionCase{"AcceptEmptyTable", kFilterAcceptMode, nullptr, nullptr, false},
        AdmissionCase{"DenyExactRange", kFilterDenyMode, "127.0.0.1", "127.0.0.1", false},
        AdmissionCase{"AcceptExactRange", kFilterAcceptMode, "127.0.0.1", "127.0.0.1", true},
        AdmissionCase{"DenyRangeEndingBelow", kFilterDenyMode, "126.255.255.255", "127.0.0.0",
                      true},
        AdmissionCase{"AcceptRangeEndingBelow", kFilterAcceptMode, "126.255.255.255", "127.0.0.0",
                      false},
        AdmissionCase{"DenyRangeEndingAt", kFilterDenyMode, "126.255.255.255", "127.0.0.1", false},
        AdmissionCase{"AcceptEverything", kFilterAcceptMode, "0.0.0.0", "255.255.255.255", true},
        AdmissionCase{"DenyEverything", kFilterDenyMode, "0.0.0.0", "255.255.255.255", false},
        AdmissionCase{"DenyReversedRange", kFilterDenyMode, "127.0.0.2", "127.0.0.0", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IpFilterAdmissionTest, ATableChangeAppliesToTheNextConnection) {
  NetTestServer server;
  server.Program().SetIpFilter(true, kFilterDenyMode);
  WireClient before = server.Connect();
  RegisterByAccountCheck(before);
  AddFilterRange("127.0.0.0", "127.255.255.255");
  WireClient after = server.Connect();
  EXPECT_TRUE(after.WaitForClose());
  // The connection admitted before the change stays.
  ExpectKeepAliveEchoed(before);
}

// The ranges are read for each new peer. A database that makes that read wait (here another
// session's lock on the table) holds up no connection already served; the peer whose read
// waits is held for the database wait at most, and the peers that come meanwhile not at all:
// they are judged by the ranges read last, which in accept mode admit only what they hold.
TEST(IpFilterAdmissionTest, PeersComingWhileTheRangesCannotBeReadAreJudgedByTheLastRead) {
  if (!PostgresServer::BinaryFolder()) GTEST_SKIP() << "skipped: PostgreSQL not installed";
  NetTestServer server(nullptr, DatabaseEngine::kPostgres);
  server.Program().SetIpFilter(true, kFilterAcceptMode);
  AddFilterRange("127.0.0.1", "127.0.0.1");
  WireClient served = server.Connect();
  RegisterByAccountCheck(served);

  const auto locker = OpenSession(CurrentDatabaseTarget());
  BoundStatement(*locker, "BEGIN").Execute();
  BoundStatement(*locker, "LOCK TABLE MaskIP IN ACCESS EXCLUSIVE MODE").Execute();
  WireClient waiting = server.Connect();
  int waits = 0;
  for (int poll = 0; poll < 200 && waits == 0; ++poll) {
    BoundStatement(*locker, "SELECT count(*) FROM pg_locks WHERE NOT granted")
        .Into(waits)
        .Execute();
    if (waits == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(waits, 1);
  // Both far sooner than the lock wait of the read or the database wait of the peer.
  ExpectKeepAliveEchoed(served, 1000);
  const auto connected = std::chrono::steady_clock::now();
  WireClient meanwhile = server.Connect();
  RegisterByAccountCheck(meanwhile);
  EXPECT_LT(std::chrono::steady_clock::now() - connected, std::chrono::seconds(2));

  RegisterByAccountCheck(waiting);
  BoundStatement(*locker, "COMMIT").Execute();
}

// Were the table read, its absence would refuse the peer.
TEST(IpFilterAdmissionTest, FilterOffNeverReadsTheTable) {
  NetTestServer server;
  ExecuteSql("DROP TABLE MaskIP");
  server.Program().SetIpFilter(false, kFilterDenyMode);
  WireClient client = server.Connect();
  RegisterByAccountCheck(client);
}

}  // namespace
}  // namespace orlentis::testing
