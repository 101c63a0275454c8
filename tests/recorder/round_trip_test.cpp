#include <gtest/gtest.h>

#include "net/wire_records.h"
#include "recorder/server_replies.h"

namespace orlentis {
namespace {

TEST(AuthorityBytesTest, UnpackToWhatWasPacked) {
  for (const std::uint32_t authority : {0x000u, 0x005u, 0x00Fu, 0x047u, 0x0FFu, 0x1FFu, 0x155u}) {
    const auto packed = PackAuthorityBytes(authority);
    EXPECT_EQ(UnpackAuthorityBytes(packed[0], packed[1]), authority) << authority;
  }
  EXPECT_EQ(UnpackAuthorityBytes(0xF7, 0x03), 0x1FFu);
}

}  // namespace
}  // namespace orlentis
