#include "directory/ip_filter.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>

#include "store/database_maintenance.h"
#include "store/engine.h"
#include "support/store/test_program_folder.h"

namespace orlentis::testing {
namespace {

class IpFilterTest : public ::testing::Test {
 protected:
  bool Allowed(const char* address) {
    return IsAddressAllowed(address, program_.ProgramSettings());
  }

  TestProgramFolder program_;
};

TEST_F(IpFilterTest, EmptyTableAdmitsEveryoneInDenyModeAndNobodyInAcceptMode) {
  program_.SetIpFilter(true, kFilterDenyMode);
  EXPECT_TRUE(Allowed("10.0.0.5"));
  program_.SetIpFilter(true, kFilterAcceptMode);
  EXPECT_FALSE(Allowed("10.0.0.5"));
}

TEST_F(IpFilterTest, RangesDecideByMode) {
  AddFilterRange("9.255.255.255", "10.0.0.4");
  AddFilterRange("192.168.1.10", "192.168.1.20");
  program_.SetIpFilter(true, kFilterDenyMode);
  EXPECT_TRUE(Allowed("10.0.0.5"));
  EXPECT_FALSE(Allowed("10.0.0.4"));
  EXPECT_FALSE(Allowed("192.168.1.20"));
  program_.SetIpFilter(true, kFilterAcceptMode);
  EXPECT_FALSE(Allowed("10.0.0.5"));
  EXPECT_TRUE(Allowed("9.255.255.255"));
  EXPECT_TRUE(Allowed("192.168.1.10"));
}

TEST_F(IpFilterTest, FilterOffNeverReadsTheTable) {
  soci::session& session = ThreadSession();
  session << "DROP TABLE MaskIP";
  program_.SetIpFilter(false, kFilterAcceptMode);
  EXPECT_TRUE(Allowed("10.0.0.5"));
  // With the filter on, the missing table is a database error, which refuses in both modes.
  program_.SetIpFilter(true, kFilterDenyMode);
  EXPECT_EQ(IsInAnyRange("10.0.0.5"), RangeLookup::kFailed);
  EXPECT_FALSE(Allowed("10.0.0.5"));
  program_.SetIpFilter(true, kFilterAcceptMode);
  EXPECT_FALSE(Allowed("10.0.0.5"));
}

TEST_F(IpFilterTest, WhileTheDatabaseIsUnavailableNoRangeHoldsAnything) {
  AddFilterRange("10.0.0.0", "10.0.0.255");
  DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  std::promise<void> repairWaiting;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  maintenance.SetStartupFinished();
  maintenance.SetCompactionWait([&](std::chrono::milliseconds) {
    repairWaiting.set_value();
    released.wait();
  });
  std::thread repair([&] { maintenance.RepairDatabase(); });
  repairWaiting.get_future().wait();

  EXPECT_EQ(IsInAnyRange("10.0.0.5"), RangeLookup::kUnavailable);
  program_.SetIpFilter(true, kFilterAcceptMode);
  EXPECT_FALSE(Allowed("10.0.0.5"));
  program_.SetIpFilter(true, kFilterDenyMode);
  EXPECT_TRUE(Allowed("10.0.0.5"));

  release.set_value();
  repair.join();
  maintenance.SetCompactionWait([](std::chrono::milliseconds) {});
  EXPECT_FALSE(Allowed("10.0.0.5"));
}

}  // namespace
}  // namespace orlentis::testing
