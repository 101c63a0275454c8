#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/little_endian.h"

namespace orlentis {

// The records that cross a recorder connection. There is no framing: one receive is one
// record, and its byte count decides whether it is taken. Every integer is 32-bit
// little-endian; text fields are fixed-width, zero-filled byte arrays in the recorders' code
// page (the site name of a check-in is UTF-16LE). Bytes the server does not fill are zero.
// This header holds the layouts and the server's side of each record; the recorder's side (the
// requests it encodes, the replies it decodes) is in src/recorder.

inline constexpr std::uint32_t PROTOCOL_VERSION = 0x00030000;

// Record kinds: the first word of every record except the data blocks of host exchanges.
inline constexpr std::uint32_t CMD_KEEPALIVE_ECHO = 0x996;
inline constexpr std::uint32_t CMD_KEEPALIVE = 0x997;
inline constexpr std::uint32_t CMD_CAMERA_INFO = 0x1007;
inline constexpr std::uint32_t CMD_CAMERA_RESET = 0x1008;
inline constexpr std::uint32_t CMD_USER_LOGIN = 0x1011;
inline constexpr std::uint32_t CMD_USER_LOGOUT = 0x1012;
inline constexpr std::uint32_t CMD_USER_STATUS = 0x1013;
inline constexpr std::uint32_t CMD_SITE_CHECKIN = 0x1017;
inline constexpr std::uint32_t CMD_SITE_CHECKOUT = 0x1018;
inline constexpr std::uint32_t CMD_SITE_UPDATE = 0x1019;
inline constexpr std::uint32_t CMD_ACCOUNT_LOGIN = 0x1210;
inline constexpr std::uint32_t CMD_GROUP_COUNT = 0x1216;
inline constexpr std::uint32_t CMD_USER_LIST = 0x1217;
inline constexpr std::uint32_t CMD_GROUP_LIST = 0x1218;
inline constexpr std::uint32_t CMD_HOST = 0x1300;

// Status words, sent by the server only.
inline constexpr std::uint32_t RSP_FAIL = 0x998;
inline constexpr std::uint32_t RSP_OK = 0x999;

// Operations of a host frame.
inline constexpr std::int32_t HOST_INSTANCE_CHECKIN = 2;
inline constexpr std::int32_t HOST_INSTANCE_CHECKOUT = 3;
inline constexpr std::int32_t HOST_USER_LOGIN = 4;
inline constexpr std::int32_t HOST_GROUP_LIST = 5;
inline constexpr std::int32_t HOST_CAMERA_UPDATE = 6;

// The tags that make a check-in one of the two checks instead of a site's check-in.
inline constexpr char kHostCheckTag[] = "CheckHostExist";
inline constexpr char kAccountCheckTag[] = "VELTO_CheckAccount";

// One receive takes at most this many bytes; a block of that size is over the record limit.
inline constexpr std::size_t kReceiveLimit = 4001;
inline constexpr std::size_t kMinRecordSize = 4;
inline constexpr std::size_t kMaxRecordSize = 4000;

// Field offsets. Each layout ends with a check that its fields add up to the record size.
namespace status_layout {
inline constexpr std::size_t kWord = 0, kValue = 4, kVersion = 136, kSize = 140;
static_assert(kVersion + 4 == kSize);
}  // namespace status_layout

namespace camera_layout {
inline constexpr std::size_t kKind = 0, kIndex = 4, kName = 8, kNameWidth = 96, kWidth = 104,
                             kHeight = 108, kStateA = 256, kStateB = 264, kSize = 268;
static_assert(kName + kNameWidth == kWidth && kHeight + 4 + 144 == kStateA);
static_assert(kStateA + 4 + 4 == kStateB && kStateB + 4 == kSize);
}  // namespace camera_layout

namespace user_layout {
inline constexpr std::size_t kWord = 0, kName = 4, kNameWidth = 64, kPassword = 68,
                             kPasswordWidth = 128, kLevel = 196, kDescription = 200,
                             kDescriptionWidth = 64, kVersion = 264, kGroupName = 268,
                             kGroupNameWidth = 64, kCameraMask = 348, kAuthority = 380, kSize = 396;
static_assert(kName + kNameWidth == kPassword && kPassword + kPasswordWidth == kLevel);
static_assert(kDescription + kDescriptionWidth == kVersion && kVersion + 4 == kGroupName);
static_assert(kGroupName + kGroupNameWidth + 16 == kCameraMask);
static_assert(kCameraMask + 4 + 28 == kAuthority && kAuthority + 2 + 14 == kSize);
}  // namespace user_layout

namespace group_layout {
inline constexpr std::size_t kKind = 0, kName = 4, kNameWidth = 128, kLevel = 132, kVersion = 136,
                             kAuthority = 212, kSize = 348;
static_assert(kName + kNameWidth == kLevel && kVersion + 4 + 72 == kAuthority);
static_assert(kAuthority + 2 + 134 == kSize);
}  // namespace group_layout

namespace site_layout {
inline constexpr std::size_t kKind = 0, kName = 4, kNameWidth = 128, kTag = 196, kTagWidth = 128,
                             kAddress = 332, kAddressWidth = 32, kPort = 364, kWebPort = 368,
                             kSize = 504;
static_assert(kName + kNameWidth + 64 == kTag && kTag + kTagWidth + 8 == kAddress);
static_assert(kAddress + kAddressWidth == kPort && kPort + 4 == kWebPort);
static_assert(kWebPort + 4 + 132 == kSize);
}  // namespace site_layout

namespace host_frame_layout {
inline constexpr std::size_t kKind = 0, kWord = 4, kFlag = 8, kValue = 12, kSize = 16;
static_assert(kValue + 4 == kSize);
}  // namespace host_frame_layout

namespace instance_header_layout {
inline constexpr std::size_t kName = 0, kNameWidth = 32, kWebPort = 32, kCameraCount = 36,
                             kSize = 40;
static_assert(kName + kNameWidth == kWebPort && kCameraCount + 4 == kSize);
}  // namespace instance_header_layout

namespace host_camera_layout {
inline constexpr std::size_t kIndex = 0, kExistence = 4, kStateFlag = 8, kResolution = 12,
                             kResolutionWidth = 32, kName = 44, kNameWidth = 32, kSize = 76;
static_assert(kStateFlag + 4 == kResolution && kResolution + kResolutionWidth == kName);
static_assert(kName + kNameWidth == kSize);
}  // namespace host_camera_layout

namespace host_credentials_layout {
inline constexpr std::size_t kName = 32, kNameWidth = 64, kPassword = 96, kPasswordWidth = 32,
                             kSize = 128;
static_assert(kName + kNameWidth == kPassword && kPassword + kPasswordWidth == kSize);
}  // namespace host_credentials_layout

namespace host_user_layout {
inline constexpr std::size_t kName = 0, kNameWidth = 64, kGroupName = 64, kGroupNameWidth = 64,
                             kAuthority = 128, kSize = 132;
static_assert(kName + kNameWidth == kGroupName && kGroupName + kGroupNameWidth == kAuthority);
static_assert(kAuthority + 4 == kSize);
}  // namespace host_user_layout

namespace host_site_layout {
inline constexpr std::size_t kInstance = 0, kCameraAuthority = 4, kCameraAuthorityWidth = 64,
                             kSize = 68;
static_assert(kCameraAuthority + kCameraAuthorityWidth == kSize);
}  // namespace host_site_layout

namespace host_group_layout {
inline constexpr std::size_t kLevel = 0, kName = 4, kNameWidth = 64, kAuthority = 68, kSize = 72;
static_assert(kName + kNameWidth == kAuthority && kAuthority + 4 == kSize);
}  // namespace host_group_layout

template <std::size_t N>
using RecordBytes = std::array<std::uint8_t, N>;

using StatusBytes = RecordBytes<status_layout::kSize>;
using HostFrameBytes = RecordBytes<host_frame_layout::kSize>;

// The two `authority bytes`: bits 0..2 stay, bits 3..6 move up to 4..7 (bit 3 of the first
// byte is always 0), bits 7 and 8 go to the second byte; higher bits are dropped.
std::array<std::uint8_t, 2> PackAuthorityBytes(std::uint32_t authority);

// StatusRecord: the replies of the record protocol.
StatusBytes EncodeStatus(std::uint32_t word, std::int32_t value,
                         std::uint32_t version = PROTOCOL_VERSION);

// CameraRecord: one camera of a checked-in site.
struct CameraRecord {
  std::int32_t index = 0;
  std::string name;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t stateA = 0;
  std::int32_t stateB = 0;

  bool operator==(const CameraRecord&) const = default;
};
CameraRecord DecodeCameraRecord(ConstByteSpan record);

// UserRecord as a request: only the kind, the name and the plain password are read.
struct UserRequest {
  std::string name;
  std::string password;

  bool operator==(const UserRequest&) const = default;
};
UserRequest DecodeUserRequest(ConstByteSpan record);

// UserRecord as a reply (account login, user-list placeholder).
struct UserReply {
  std::uint32_t word = 0;
  std::string name;
  std::string text;  // the password field
  std::int32_t level = 0;
  std::string description;
  std::string groupName;  // 64 bytes: a full-width name has no terminator
  std::uint32_t cameraMask = 0;
  std::uint32_t authority = 0;  // sent as `authority bytes`

  bool operator==(const UserReply&) const = default;
};
RecordBytes<user_layout::kSize> EncodeUserReply(const UserReply& reply);

// GroupRecord as sent for a group list: kind word 0.
struct GroupRecord {
  std::string name;
  std::int32_t level = 0;
  std::uint32_t authority = 0;

  bool operator==(const GroupRecord&) const = default;
};
RecordBytes<group_layout::kSize> EncodeGroupRecord(const GroupRecord& group);

// SiteRecord: a check-in as received, kept whole because the connection stores its last
// one (with the peer's address and port filled in) for the site's check-out.
class SiteRecord {
 public:
  SiteRecord() : bytes_{} {}
  // block must hold exactly site_layout::kSize bytes.
  explicit SiteRecord(ConstByteSpan block);

  std::uint32_t Kind() const { return LoadU32(bytes_, site_layout::kKind); }
  // The UTF-16LE name up to its terminating zero character (or the whole field).
  std::u16string SiteName() const;
  std::string Tag() const { return LoadText(bytes_, site_layout::kTag, site_layout::kTagWidth); }
  // "CheckHostExist" in any letter case.
  bool IsHostCheck() const;
  // "VELTO_CheckAccount" exactly, with its terminating zero.
  bool IsAccountCheck() const;
  std::int32_t WebServerPort() const { return LoadI32(bytes_, site_layout::kWebPort); }
  std::string PeerAddress() const;
  std::int32_t PeerPort() const { return LoadI32(bytes_, site_layout::kPort); }
  // The server's own fields of the stored copy: the dotted address (at most 31 characters)
  // and the port.
  void SetPeer(std::string_view address, std::int32_t port);

  const RecordBytes<site_layout::kSize>& Bytes() const { return bytes_; }

 private:
  RecordBytes<site_layout::kSize> bytes_;
};

// HostFrame, both directions: {CMD_HOST, operation or status, flag, value}.
struct HostFrame {
  std::int32_t word = 0;
  std::int32_t flag = 0;
  std::int32_t value = 0;

  bool operator==(const HostFrame&) const = default;
};
HostFrameBytes EncodeHostFrame(const HostFrame& frame);
HostFrame DecodeHostFrame(ConstByteSpan record);
// The flag a request frame must carry for its operation (2..6).
std::int32_t RequiredHostFlag(std::int32_t operation);

struct InstanceHeader {
  std::string siteName;
  std::int32_t webServerPort = 0;
  std::int32_t cameraCount = 0;

  bool operator==(const InstanceHeader&) const = default;
};
InstanceHeader DecodeInstanceHeader(ConstByteSpan block);

struct HostCamera {
  std::int32_t index = 0;
  std::int32_t existence = 0;
  std::int32_t stateFlag = 0;
  std::string resolution;
  std::string name;

  bool operator==(const HostCamera&) const = default;
};
HostCamera DecodeHostCamera(ConstByteSpan block);

// HostCredentials: the password field is either a 32-byte digest or a plain text; which
// one is for the login to decide, so it is handed over raw.
struct HostCredentials {
  std::string userName;
  std::array<std::uint8_t, host_credentials_layout::kPasswordWidth> password{};

  std::string PasswordText() const;
  bool operator==(const HostCredentials&) const = default;
};
HostCredentials DecodeHostCredentials(ConstByteSpan block);

struct HostUserInfo {
  std::string userName;
  std::string groupName;  // 64 bytes: a full-width name has no terminator
  std::uint32_t authority = 0;

  bool operator==(const HostUserInfo&) const = default;
};
RecordBytes<host_user_layout::kSize> EncodeHostUserInfo(const HostUserInfo& info);

// One permitted instance; instance -1 is the end marker.
RecordBytes<host_site_layout::kSize> EncodeHostSiteEntry(std::int32_t instance,
                                                         std::string_view cameraAuthority);

// One group; level -1 is the end marker.
RecordBytes<host_group_layout::kSize> EncodeHostGroupEntry(std::int32_t level,
                                                           std::string_view name,
                                                           std::uint32_t authority);

}  // namespace orlentis
