#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "access/password_digest.h"
#include "net/wire_records.h"
#include "recorder/host_requests.h"
#include "recorder/record_requests.h"
#include "recorder/server_replies.h"

namespace orlentis {
namespace {

// Every record pair both ways: what one side encodes, the other decodes field for field. The
// second sample of each fills every text to the most its field holds and takes extreme
// numbers, so a field that spills into its neighbour or sits at the wrong offset shows.
template <typename Value, typename Encode, typename Decode>
void ExpectRoundTrips(const char* record, const std::vector<Value>& samples, Encode encode,
                      Decode decode) {
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const auto bytes = encode(samples[i]);
    EXPECT_TRUE(decode(bytes) == samples[i]) << record << ", sample " << i;
  }
}

std::string Full(std::size_t width, char c) {
  return std::string(width, c);
}

// A check-in as the server reads it.
struct CheckIn {
  std::uint32_t kind;
  std::u16string name;
  std::string tag;
  std::int32_t webServerPort;

  bool operator==(const CheckIn&) const = default;
};

TEST(RoundTripTest, TheServerReadsEachRequestAsTheRecorderWroteIt) {
  ExpectRoundTrips(
      "SiteRecord",
      std::vector<CheckIn>{{CMD_SITE_CHECKIN, u"Caf\u00e9", "", 8080},
                           {CMD_SITE_UPDATE, std::u16string(63, u'\u4e2d'), Full(127, 't'), -1}},
      [](const CheckIn& c) { return EncodeSiteRecord(c.kind, c.name, c.tag, c.webServerPort); },
      [](ConstByteSpan bytes) {
        const SiteRecord site(bytes);
        return CheckIn{site.Kind(), site.SiteName(), site.Tag(), site.WebServerPort()};
      });
  ExpectRoundTrips("CameraRecord",
                   std::vector<CameraRecord>{{0, "Gate", 704, 480, 1, 0},
                                             {63, Full(95, 'n'), INT_MIN, INT_MAX, -1, -2}},
                   EncodeCameraInfo, DecodeCameraRecord);
  ExpectRoundTrips(
      "UserRecord",
      std::vector<UserRequest>{{"carol", "carol-pw"}, {Full(63, 'n'), Full(127, 'p')}},
      [](const UserRequest& r) { return EncodeUserRequest(CMD_ACCOUNT_LOGIN, r); },
      DecodeUserRequest);
  // The flags are the ones each operation requires.
  ExpectRoundTrips(
      "HostFrame",
      std::vector<HostFrame>{{HOST_INSTANCE_CHECKIN, 1, 4711},
                             {HOST_INSTANCE_CHECKOUT, 0, -1},
                             {HOST_USER_LOGIN, 1, 0},
                             {HOST_GROUP_LIST, 0, 0},
                             {HOST_CAMERA_UPDATE, 0, INT_MAX}},
      [](const HostFrame& f) { return EncodeHostRequest(f.word, f.value); }, DecodeHostFrame);
  ExpectRoundTrips("InstanceHeader",
                   std::vector<InstanceHeader>{{"Yard", 80, 2}, {Full(31, 'n'), -1, INT_MAX}},
                   EncodeInstanceHeader, DecodeInstanceHeader);
  ExpectRoundTrips("HostCameraRecord",
                   std::vector<HostCamera>{{1, 1, 1, "704x480", "Camera 2"},
                                           {-1, 0, 6, Full(31, 'r'), Full(31, 'n')}},
                   EncodeHostCamera, DecodeHostCamera);
  ExpectRoundTrips(
      "HostCredentials",
      std::vector<HostCredentials>{{"carol", HostPasswordDigest("carol-pw")},
                                   {Full(63, 'n'), HostPasswordPlain(Full(31, 'p'))}},
      [](const HostCredentials& c) { return EncodeHostCredentials(c.userName, c.password); },
      DecodeHostCredentials);
}

TEST(RoundTripTest, TheRecorderReadsEachReplyAsTheServerWroteIt) {
  ExpectRoundTrips(
      "StatusRecord",
      std::vector<StatusReply>{{RSP_OK, 7, PROTOCOL_VERSION}, {RSP_FAIL, INT_MIN, 0xFFFFFFFF}},
      [](const StatusReply& s) { return EncodeStatus(s.word, s.value, s.version); }, DecodeStatus);
  // The version is always the protocol's; the group name may fill its field.
  ExpectRoundTrips("UserRecord",
                   std::vector<UserReply>{{RSP_OK, "", "", 4, "", "Viewers", 0x0005, 0x00F},
                                          {RSP_FAIL, Full(63, 'n'), Full(127, 't'), -1,
                                           Full(63, 'd'), Full(64, 'g'), 0xFFFFFFFF, 0x1FF}},
                   EncodeUserReply, DecodeUserReply);
  ExpectRoundTrips(
      "GroupRecord",
      std::vector<GroupRecordReply>{{0, {"Operator", 2, 0x047}, PROTOCOL_VERSION},
                                    {0, {Full(127, 'g'), INT_MIN, 0x1FF}, PROTOCOL_VERSION}},
      [](const GroupRecordReply& r) { return EncodeGroupRecord(r.group); }, DecodeGroupRecord);
  ExpectRoundTrips(
      "HostFrame",
      std::vector<HostFrameReply>{{CMD_HOST, {1, 1, 0}}, {CMD_HOST, {-1, 0, 0x01020304}}},
      [](const HostFrameReply& r) { return EncodeHostFrame(r.frame); }, DecodeHostFrameReply);
  ExpectRoundTrips("HostUserInfo",
                   std::vector<HostUserInfo>{{"carol", "Viewers", 0x05},
                                             {Full(63, 'n'), Full(64, 'g'), 0xFFFFFFFF}},
                   EncodeHostUserInfo, DecodeHostUserInfo);
  ExpectRoundTrips(
      "HostSiteEntry", std::vector<HostSiteEntry>{{0, "101"}, {-1, Full(64, '1')}},
      [](const HostSiteEntry& e) { return EncodeHostSiteEntry(e.instance, e.cameraAuthority); },
      DecodeHostSiteEntry);
  ExpectRoundTrips(
      "HostGroupEntry",
      std::vector<HostGroupEntry>{{0, "Zero", 0x003}, {-1, Full(63, 'g'), 0xFFFFFFFF}},
      [](const HostGroupEntry& e) { return EncodeHostGroupEntry(e.level, e.name, e.authority); },
      DecodeHostGroupEntry);
}

TEST(HostPasswordTest, EachFormIsWhatTheServerVerifies) {
  const auto sent = [](std::int32_t form, std::string_view user) {
    return DecodeHostCredentials(
        EncodeHostCredentials(user, HostPasswordInForm(form, user, "carol-pw")));
  };
  const HostCredentials digest = sent(1, "carol");
  const std::string_view field(reinterpret_cast<const char*>(digest.password.data()),
                               digest.password.size());
  EXPECT_EQ(PasswordDigest(field, true), PasswordDigest("carol-pw", false));
  EXPECT_EQ(sent(0, "carol").PasswordText(), "carol-pw");
  // The administrator's password goes as its digest whatever the form announced.
  EXPECT_EQ(sent(0, "ADMINISTRATOR").password, HostPasswordDigest("carol-pw"));
  // A plain text keeps its terminator.
  EXPECT_EQ(HostPasswordPlain(Full(40, 'p'))[31], 0);
}

TEST(AuthorityBytesTest, UnpackToWhatWasPacked) {
  for (const std::uint32_t authority : {0x000u, 0x005u, 0x00Fu, 0x047u, 0x0FFu, 0x1FFu, 0x155u}) {
    const auto packed = PackAuthorityBytes(authority);
    EXPECT_EQ(UnpackAuthorityBytes(packed[0], packed[1]), authority) << authority;
  }
  EXPECT_EQ(UnpackAuthorityBytes(0xF7, 0x03), 0x1FFu);
}

}  // namespace
}  // namespace orlentis
