#include "access/ip_range.h"

#include <gtest/gtest.h>

#include <string>

namespace orlentis::testing {
namespace {

struct AddressCase {
  std::string text;
  std::uint32_t value;
};

class AddressValueTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AddressValueTest, ReadsTheDottedText) {
  EXPECT_EQ(AddressValue(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AddressValueTest,
    ::testing::Values(AddressCase{"192.168.1.10", 0xC0A8010Au},
                      AddressCase{"255.255.255.255", 0xFFFFFFFFu},
                      AddressCase{"10..0...0.5", 0x0A000005u},  // a run of dots is one separator
                      AddressCase{".10.0.0.5", 0x0A000005u},
                      AddressCase{"1.2.3.4.5", 0x01020304u},   // at most four parts
                      AddressCase{"1.2", 0x01020000u},         // missing parts are zero
                      AddressCase{"10.0.0.300", 0x0A00012Cu},  // 300 spills into the third byte
                      AddressCase{"1.256.0.0", 0x01000000u},   // 256 << 16 lands on bit 24
                      AddressCase{"12abc.5x.7", 0x0C050700u},  // a part ends at a non-digit
                      AddressCase{"x.-1.+2.3", 0x00000003u},   // no digits: 0
                      AddressCase{"", 0u},
                      // Only 31 characters count: the final 7 is cut off.
                      AddressCase{"1.2.3." + std::string(25, '0') + "7", 0x01020300u}));

TEST(RangeContainsTest, BoundsAreInclusiveAndUnsigned) {
  EXPECT_TRUE(RangeContains("192.168.1.10", "192.168.1.20", AddressValue("192.168.1.10")));
  EXPECT_TRUE(RangeContains("192.168.1.10", "192.168.1.20", AddressValue("192.168.1.20")));
  EXPECT_FALSE(RangeContains("192.168.1.10", "192.168.1.20", AddressValue("192.168.1.21")));
  EXPECT_FALSE(RangeContains("9.255.255.255", "10.0.0.4", AddressValue("10.0.0.5")));
  EXPECT_TRUE(RangeContains("9.255.255.255", "10.0.0.5", AddressValue("10.0.0.5")));
  EXPECT_TRUE(RangeContains("0.0.0.0", "255.255.255.255", AddressValue("200.1.2.3")));
  EXPECT_FALSE(RangeContains("10.0.0.9", "10.0.0.1", AddressValue("10.0.0.5")));
}

}  // namespace
}  // namespace orlentis::testing
