#include "net/wire_records.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace orlentis {
namespace {

// The account check compares the tag's first 19 bytes: the text and its terminating zero.
static_assert(sizeof kAccountCheckTag == 19);

void StoreAuthorityBytes(ByteSpan bytes, std::size_t offset, std::uint32_t authority) {
  const auto packed = PackAuthorityBytes(authority);
  bytes[offset] = packed[0];
  bytes[offset + 1] = packed[1];
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

std::array<std::uint8_t, 2> PackAuthorityBytes(std::uint32_t authority) {
  return {static_cast<std::uint8_t>((authority & 0x07) | ((authority & 0x78) << 1)),
          static_cast<std::uint8_t>((authority >> 7) & 0x03)};
}

StatusBytes EncodeStatus(std::uint32_t word, std::int32_t value, std::uint32_t version) {
  StatusBytes record{};
  StoreU32(record, status_layout::kWord, word);
  StoreI32(record, status_layout::kValue, value);
  StoreU32(record, status_layout::kVersion, version);
  return record;
}

CameraRecord DecodeCameraRecord(ConstByteSpan record) {
  using namespace camera_layout;
  return {LoadI32(record, kIndex),  LoadText(record, kName, kNameWidth),
          LoadI32(record, kWidth),  LoadI32(record, kHeight),
          LoadI32(record, kStateA), LoadI32(record, kStateB)};
}

UserRequest DecodeUserRequest(ConstByteSpan record) {
  using namespace user_layout;
  return {LoadText(record, kName, kNameWidth), LoadText(record, kPassword, kPasswordWidth)};
}

RecordBytes<user_layout::kSize> EncodeUserReply(const UserReply& reply) {
  using namespace user_layout;
  RecordBytes<kSize> record{};
  StoreU32(record, kWord, reply.word);
  StoreText(record, kName, reply.name, kNameWidth - 1);
  StoreText(record, kPassword, reply.text, kPasswordWidth - 1);
  StoreI32(record, kLevel, reply.level);
  StoreText(record, kDescription, reply.description, kDescriptionWidth - 1);
  StoreU32(record, kVersion, PROTOCOL_VERSION);
  StoreText(record, kGroupName, reply.groupName, kGroupNameWidth);
  StoreU32(record, kCameraMask, reply.cameraMask);
  StoreAuthorityBytes(record, kAuthority, reply.authority);
  return record;
}

RecordBytes<group_layout::kSize> EncodeGroupRecord(const GroupRecord& group) {
  using namespace group_layout;
  RecordBytes<kSize> record{};
  StoreText(record, kName, group.name, kNameWidth - 1);
  StoreI32(record, kLevel, group.level);
  StoreU32(record, kVersion, PROTOCOL_VERSION);
  StoreAuthorityBytes(record, kAuthority, group.authority);
  return record;
}

SiteRecord::SiteRecord(ConstByteSpan block) : bytes_{} {
  std::copy_n(block.begin(), std::min(block.size(), bytes_.size()), bytes_.begin());
}

std::u16string SiteRecord::SiteName() const {
  using namespace site_layout;
  std::u16string name;
  for (std::size_t i = kName; i + 1 < kName + kNameWidth; i += 2) {
    const auto unit = static_cast<char16_t>(bytes_[i] | bytes_[i + 1] << 8);
    if (unit == 0) break;
    name.push_back(unit);
  }
  return name;
}

bool SiteRecord::IsHostCheck() const {
  return EqualsIgnoringCase(Tag(), kHostCheckTag);
}

bool SiteRecord::IsAccountCheck() const {
  return std::memcmp(bytes_.data() + site_layout::kTag, kAccountCheckTag,
                     sizeof kAccountCheckTag) == 0;
}

std::string SiteRecord::PeerAddress() const {
  return LoadText(bytes_, site_layout::kAddress, site_layout::kAddressWidth);
}

void SiteRecord::SetPeer(std::string_view address, std::int32_t port) {
  using namespace site_layout;
  std::fill_n(bytes_.begin() + kAddress, kAddressWidth, std::uint8_t{0});
  StoreText(bytes_, kAddress, address, kAddressWidth - 1);
  StoreI32(bytes_, kPort, port);
}

HostFrameBytes EncodeHostFrame(const HostFrame& frame) {
  using namespace host_frame_layout;
  HostFrameBytes record{};
  StoreU32(record, kKind, CMD_HOST);
  StoreI32(record, kWord, frame.word);
  StoreI32(record, kFlag, frame.flag);
  StoreI32(record, kValue, frame.value);
  return record;
}

HostFrame DecodeHostFrame(ConstByteSpan record) {
  using namespace host_frame_layout;
  return {LoadI32(record, kWord), LoadI32(record, kFlag), LoadI32(record, kValue)};
}

std::int32_t RequiredHostFlag(std::int32_t operation) {
  return operation == HOST_INSTANCE_CHECKIN || operation == HOST_USER_LOGIN ? 1 : 0;
}

InstanceHeader DecodeInstanceHeader(ConstByteSpan block) {
  using namespace instance_header_layout;
  return {LoadText(block, kName, kNameWidth), LoadI32(block, kWebPort),
          LoadI32(block, kCameraCount)};
}

HostCamera DecodeHostCamera(ConstByteSpan block) {
  using namespace host_camera_layout;
  return {LoadI32(block, kIndex), LoadI32(block, kExistence), LoadI32(block, kStateFlag),
          LoadText(block, kResolution, kResolutionWidth), LoadText(block, kName, kNameWidth)};
}

std::string HostCredentials::PasswordText() const {
  return LoadText(password, 0, password.size());
}

HostCredentials DecodeHostCredentials(ConstByteSpan block) {
  using namespace host_credentials_layout;
  HostCredentials credentials;
  credentials.userName = LoadText(block, kName, kNameWidth);
  std::copy_n(block.begin() + kPassword, kPasswordWidth, credentials.password.begin());
  return credentials;
}

RecordBytes<host_user_layout::kSize> EncodeHostUserInfo(const HostUserInfo& info) {
  using namespace host_user_layout;
  RecordBytes<kSize> block{};
  StoreText(block, kName, info.userName, kNameWidth - 1);
  StoreText(block, kGroupName, info.groupName, kGroupNameWidth);
  StoreU32(block, kAuthority, info.authority);
  return block;
}

RecordBytes<host_site_layout::kSize> EncodeHostSiteEntry(std::int32_t instance,
                                                         std::string_view cameraAuthority) {
  using namespace host_site_layout;
  RecordBytes<kSize> block{};
  StoreI32(block, kInstance, instance);
  StoreText(block, kCameraAuthority, cameraAuthority, kCameraAuthorityWidth);
  return block;
}

RecordBytes<host_group_layout::kSize> EncodeHostGroupEntry(std::int32_t level,
                                                           std::string_view name,
                                                           std::uint32_t authority) {
  using namespace host_group_layout;
  RecordBytes<kSize> block{};
  StoreI32(block, kLevel, level);
  StoreText(block, kName, name, kNameWidth - 1);
  StoreU32(block, kAuthority, authority);
  return block;
}

}  // namespace orlentis
