#include "directory/ip_filter_ranges.h"

#include <gtest/gtest.h>

#include "store/database_maintenance.h"
#include "support/store/temp_database.h"
#include "support/store/without_keys.h"

namespace orlentis::testing {
namespace {

constexpr std::uint32_t Address(std::uint32_t a, std::uint32_t b, std::uint32_t c,
                                std::uint32_t d) {
  return a << 24 | b << 16 | c << 8 | d;
}

class IpFilterRangesTest : public ::testing::Test {
 protected:
  IpFilterRangesTest() {
    DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
  }

  static std::vector<IpFilterRange> Ranges() { return ListIpFilterRanges().ValueOr({}); }

  TempDatabase database_;
};

TEST_F(IpFilterRangesTest, AddStoresTheRangeAsGivenInOrderOfAdding) {
  ASSERT_EQ(AddIpFilterRange(Address(192, 168, 1, 10), Address(10, 0, 0, 1), "office"),
            DbOutcome::kDone);
  ASSERT_EQ(AddIpFilterRange(0, 0xFFFFFFFF, ""), DbOutcome::kDone);
  EXPECT_EQ(WithoutKeys(Ranges()),
            (std::vector<IpFilterRange>{{"192.168.1.10", "10.0.0.1", "office"},
                                        {"0.0.0.0", "255.255.255.255", ""}}));
}

TEST_F(IpFilterRangesTest, DescriptionKeepsItsFirstSixtyThreeCharacters) {
  AddIpFilterRange(1, 2, std::string(80, 'd'));
  std::string umlauts;
  for (int i = 0; i < 70; ++i) umlauts += "\xC3\xA4";
  AddIpFilterRange(1, 2, umlauts);
  const auto ranges = Ranges();
  ASSERT_EQ(ranges.size(), 2u);
  EXPECT_EQ(ranges[0].description, std::string(63, 'd'));
  EXPECT_EQ(ranges[1].description, umlauts.substr(0, 126));
}

TEST_F(IpFilterRangesTest, DeleteTakesTheSelectedOfTwoIdenticalRanges) {
  AddIpFilterRange(Address(10, 0, 0, 0), Address(10, 0, 0, 255), "lan");
  AddIpFilterRange(Address(10, 0, 0, 0), Address(10, 0, 0, 255), "lan");
  AddIpFilterRange(Address(10, 0, 0, 0), Address(10, 0, 0, 127), "lan");
  const std::vector<IpFilterRange> listed = Ranges();
  ASSERT_EQ(listed.size(), 3u);
  ASSERT_NE(listed[0].key, listed[1].key);
  const auto deleted = DeleteIpFilterRanges({listed[1].key});
  ASSERT_TRUE(deleted.Done());
  EXPECT_EQ(*deleted.value, 1u);
  EXPECT_EQ(Ranges(), (std::vector<IpFilterRange>{listed[0], listed[2]}));
}

TEST_F(IpFilterRangesTest, ARangeDeletedMeanwhileIsNotCountedAndNothingElseGoes) {
  AddIpFilterRange(Address(10, 0, 0, 0), Address(10, 0, 0, 255), "lan");
  AddIpFilterRange(Address(172, 16, 0, 0), Address(172, 16, 255, 255), "vpn");
  AddIpFilterRange(Address(192, 168, 0, 0), Address(192, 168, 0, 255), "office");
  const std::vector<IpFilterRange> listed = Ranges();
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(*DeleteIpFilterRanges({listed[1].key}).value, 1u);
  EXPECT_EQ(*DeleteIpFilterRanges({listed[2].key, listed[1].key}).value, 1u);
  EXPECT_EQ(Ranges(), (std::vector<IpFilterRange>{listed[0]}));
}

}  // namespace
}  // namespace orlentis::testing
