#include "net/wire_records.h"

#include <gtest/gtest.h>

#include <string>

#include "recorder/record_requests.h"

namespace orlentis {
namespace {

struct AuthorityCase {
  std::uint32_t authority;
  std::uint8_t low;
  std::uint8_t high;
};

class AuthorityBytesTest : public ::testing::TestWithParam<AuthorityCase> {};

TEST_P(AuthorityBytesTest, PacksNineBitsIntoTwoBytes) {
  const auto packed = PackAuthorityBytes(GetParam().authority);
  EXPECT_EQ(packed[0], GetParam().low);
  EXPECT_EQ(packed[1], GetParam().high);
}

INSTANTIATE_TEST_SUITE_P(Values, AuthorityBytesTest,
                         ::testing::Values(AuthorityCase{0x1FF, 0xF7, 0x03},
                                           AuthorityCase{0x0F, 0x17, 0x00},
                                           AuthorityCase{0x08, 0x10, 0x00},
                                           AuthorityCase{0x80, 0x00, 0x01},
                                           AuthorityCase{0xFFFFFE00, 0x00, 0x00}));

TEST(WireRecordsTest, IntegersAreLittleEndianWhereverTheyStand) {
  const auto frame = EncodeHostFrame({-1, 1, 0x01020304});
  const HostFrameBytes expected{0x00, 0x13, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF,
                                0x01, 0x00, 0x00, 0x00, 0x04, 0x03, 0x02, 0x01};
  EXPECT_EQ(frame, expected);
  EXPECT_EQ(DecodeHostFrame(frame), (HostFrame{-1, 1, 0x01020304}));
}

TEST(WireRecordsTest, StatusRecordCarriesWordValueAndVersion) {
  const auto record = EncodeStatus(RSP_FAIL, -2);
  EXPECT_EQ(record.size(), 140u);
  EXPECT_EQ(record[0], 0x98);
  EXPECT_EQ(record[1], 0x09);
  EXPECT_EQ(LoadI32(record, 4), -2);
  EXPECT_EQ(LoadU32(record, 136), 0x00030000u);
  EXPECT_EQ(LoadU32(EncodeStatus(RSP_OK, 0, 0), 136), 0u);
}

TEST(WireRecordsTest, FullWidthGroupNameHasNoTerminatorAndTouchesNothingElse) {
  UserReply reply;
  reply.word = RSP_OK;
  reply.groupName = std::string(70, 'G');
  reply.cameraMask = 0x0005;
  reply.authority = 0x0F;
  const auto record = EncodeUserReply(reply);
  EXPECT_EQ(LoadText(record, user_layout::kGroupName, 64), std::string(64, 'G'));
  EXPECT_EQ(LoadU32(record, user_layout::kGroupName + 64), 0u);
  EXPECT_EQ(LoadU32(record, user_layout::kCameraMask), 0x0005u);
  EXPECT_EQ(record[user_layout::kAuthority], 0x17);
  EXPECT_EQ(LoadU32(record, user_layout::kVersion), PROTOCOL_VERSION);
}

TEST(WireRecordsTest, TextFieldWithoutTerminatorIsReadOnlyToItsEnd) {
  RecordBytes<host_camera_layout::kSize> block{};
  block.fill('x');
  const HostCamera camera = DecodeHostCamera(block);
  EXPECT_EQ(camera.resolution, std::string(32, 'x'));
  EXPECT_EQ(camera.name, std::string(32, 'x'));
}

struct TagCase {
  std::string tag;  // may hold zero bytes
  bool hostCheck;
  bool accountCheck;
};

class CheckTagTest : public ::testing::TestWithParam<TagCase> {};

TEST_P(CheckTagTest, SelectsTheCheck) {
  const SiteRecord site(EncodeSiteRecord(CMD_SITE_CHECKIN, u"Lobby", GetParam().tag, 80));
  EXPECT_EQ(site.IsHostCheck(), GetParam().hostCheck);
  EXPECT_EQ(site.IsAccountCheck(), GetParam().accountCheck);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, CheckTagTest,
    ::testing::Values(TagCase{"CheckHostExist", true, false},
                      TagCase{"cHECKhOSTeXIST", true, false},
                      TagCase{"CheckHostExists", false, false},
                      TagCase{"VELTO_CheckAccount", false, true},
                      TagCase{std::string("VELTO_CheckAccount\0tail", 23), false, true},
                      TagCase{"VELTO_CheckAccountX", false, false},
                      TagCase{"velto_checkaccount", false, false}, TagCase{"", false, false}));

TEST(WireRecordsTest, SiteRecordKeepsTheNameAndTakesThePeer) {
  SiteRecord site(EncodeSiteRecord(CMD_SITE_UPDATE, u"Caf\u00e9", "", 8080));
  site.SetPeer(std::string(40, '9'), 51234);
  EXPECT_EQ(site.Kind(), CMD_SITE_UPDATE);
  EXPECT_EQ(site.SiteName(), u"Caf\u00e9");
  EXPECT_EQ(site.WebServerPort(), 8080);
  EXPECT_EQ(site.PeerAddress(), std::string(31, '9'));
  EXPECT_EQ(site.PeerPort(), 51234);
  EXPECT_EQ(site.Bytes()[site_layout::kName + 6], 0xE9);
}

TEST(WireRecordsTest, HostCredentialsHandOverThePasswordFieldRaw) {
  RecordBytes<host_credentials_layout::kSize> block{};
  StoreText(block, host_credentials_layout::kName, "alice", 63);
  for (std::size_t i = 0; i < 32; ++i) block[96 + i] = static_cast<std::uint8_t>(0xA0 + i);
  const HostCredentials credentials = DecodeHostCredentials(block);
  EXPECT_EQ(credentials.userName, "alice");
  EXPECT_EQ(credentials.password[0], 0xA0);
  EXPECT_EQ(credentials.password[31], 0xA0 + 31);
}

}  // namespace
}  // namespace orlentis
