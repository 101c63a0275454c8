#include <gtest/gtest.h>

#include "directory/ip_filter.h"
#include "support/net/net_test_server.h"
#include "support/net/recorder_wire.h"

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

TEST(IpFilterAdmissionTest, FilterOffAdmitsWhatTheRangesRefuse) {
  NetTestServer server;
  AddFilterRange("0.0.0.0", "255.255.255.255");
  server.Program().SetIpFilter(false, kFilterDenyMode);
  WireClient client = server.Connect();
  RegisterByAccountCheck(client);
}

}  // namespace
}  // namespace orlentis::testing
