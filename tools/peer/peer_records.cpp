#include "peer_records.h"

#include <openssl/evp.h>

#include <algorithm>
#include <stdexcept>

namespace orlentis::peer {

std::uint32_t UnpackAuthorityBytes(std::uint8_t low, std::uint8_t high) {
  return (low & 0x07u) | ((low & 0xF0u) >> 1) | ((high & 0x03u) << 7);
}

UserReply DecodeUserReply(ConstByteSpan record) {
  using namespace user_layout;
  UserReply reply;
  reply.word = LoadU32(record, kWord);
  reply.name = LoadText(record, kName, kNameWidth);
  reply.text = LoadText(record, kPassword, kPasswordWidth);
  reply.level = LoadI32(record, kLevel);
  reply.description = LoadText(record, kDescription, kDescriptionWidth);
  reply.groupName = LoadText(record, kGroupName, kGroupNameWidth);
  reply.cameraMask = LoadU32(record, kCameraMask);
  reply.authority = UnpackAuthorityBytes(record[kAuthority], record[kAuthority + 1]);
  return reply;
}

GroupRecordReply DecodeGroupRecord(ConstByteSpan record) {
  using namespace group_layout;
  GroupRecordReply reply;
  reply.kind = LoadU32(record, kKind);
  reply.group.name = LoadText(record, kName, kNameWidth);
  reply.group.level = LoadI32(record, kLevel);
  reply.version = LoadU32(record, kVersion);
  reply.group.authority = UnpackAuthorityBytes(record[kAuthority], record[kAuthority + 1]);
  return reply;
}

HostUserInfo DecodeHostUserInfo(ConstByteSpan block) {
  using namespace host_user_layout;
  return {LoadText(block, kName, kNameWidth), LoadText(block, kGroupName, kGroupNameWidth),
          LoadU32(block, kAuthority)};
}

HostSiteEntry DecodeHostSiteEntry(ConstByteSpan block) {
  using namespace host_site_layout;
  return {LoadI32(block, kInstance), LoadText(block, kCameraAuthority, kCameraAuthorityWidth)};
}

HostGroupEntry DecodeHostGroupEntry(ConstByteSpan block) {
  using namespace host_group_layout;
  return {LoadI32(block, kLevel), LoadText(block, kName, kNameWidth), LoadU32(block, kAuthority)};
}

HostPassword HostPasswordDigest(std::string_view password) {
  HostPassword digest{};
  unsigned int length = 0;
  if (EVP_Digest(password.data(), password.size(), digest.data(), &length, EVP_sha256(), nullptr) !=
          1 ||
      length != digest.size()) {
    throw std::runtime_error("SHA-256 is not available");
  }
  return digest;
}

HostPassword HostPasswordPlain(std::string_view password) {
  HostPassword plain{};
  const std::size_t length = std::min(password.size(), plain.size() - 1);
  std::copy_n(password.begin(), length, plain.begin());
  return plain;
}

RecordBytes<host_credentials_layout::kSize> EncodeHostCredentials(std::string_view userName,
                                                                  const HostPassword& password) {
  using namespace host_credentials_layout;
  RecordBytes<kSize> block{};
  StoreText(block, kName, userName, kNameWidth - 1);
  std::copy(password.begin(), password.end(), block.begin() + kPassword);
  return block;
}

}  // namespace orlentis::peer
