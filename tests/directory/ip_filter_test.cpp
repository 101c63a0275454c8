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
  static RangeLookup Lookup(const char* address) {
    return LookUpAddress(ReadFilterRanges(), address);
  }
  static bool Allowed(const char* address, std::int32_t mode) {
    return FilterAdmits(Lookup(address), mode);
  }

  TestProgramFolder program_;
};

TEST_F(IpFilterTest, EmptyTableAdmitsEveryoneInDenyModeAndNobodyInAcceptMode) {
  EXPECT_TRUE(Allowed("10.0.0.5", kFilterDenyMode));
  EXPECT_FALSE(Allowed("10.0.0.5", kFilterAcceptMode));
}

TEST_F(IpFilterTest, RangesDecideByMode) {
  AddFilterRange("9.255.255.255", "10.0.0.4");
  AddFilterRange("192.168.1.10", "192.168.1.20");
  EXPECT_TRUE(Allowed("10.0.0.5", kFilterDenyMode));
  EXPECT_FALSE(Allowed("10.0.0.4", kFilterDenyMode));
  EXPECT_FALSE(Allowed("192.168.1.20", kFilterDenyMode));
  EXPECT_FALSE(Allowed("10.0.0.5", kFilterAcceptMode));
  EXPECT_TRUE(Allowed("9.255.255.255", kFilterAcceptMode));
  EXPECT_TRUE(Allowed("192.168.1.10", kFilterAcceptMode));
}

TEST_F(IpFilterTest, AFailedReadRefusesInBothModes) {
  soci::session& session = ThreadSession();
  session << "DROP TABLE MaskIP";
  EXPECT_EQ(Lookup("10.0.0.5"), RangeLookup::kFailed);
  EXPECT_FALSE(Allowed("10.0.0.5", kFilterDenyMode));
  EXPECT_FALSE(Allowed("10.0.0.5", kFilterAcceptMode));
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

  EXPECT_EQ(Lookup("10.0.0.5"), RangeLookup::kUnavailable);
  EXPECT_FALSE(Allowed("10.0.0.5", kFilterAcceptMode));
  EXPECT_TRUE(Allowed("10.0.0.5", kFilterDenyMode));

  release.set_value();
  repair.join();
  maintenance.SetCompactionWait([](std::chrono::milliseconds) {});
  EXPECT_FALSE(Allowed("10.0.0.5", kFilterDenyMode));
}

}  // namespace
}  // namespace orlentis::testing
