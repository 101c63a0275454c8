#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/wire_records.h"

namespace orlentis::peer {

// The recorder's side of the records: what the server's wire records do not need because the
// server only encodes them (replies) or only decodes them (host credentials). Offsets come from
// the layouts in net/wire_records.h.

// The 9-bit authority packed into the two `authority bytes` (inverse of PackAuthorityBytes).
std::uint32_t UnpackAuthorityBytes(std::uint8_t low, std::uint8_t high);

UserReply DecodeUserReply(ConstByteSpan record);

struct GroupRecordReply {
  std::uint32_t kind = 0;
  GroupEntry group;
  std::uint32_t version = 0;
};
GroupRecordReply DecodeGroupRecord(ConstByteSpan record);

HostUserInfo DecodeHostUserInfo(ConstByteSpan block);

struct HostSiteEntry {
  std::int32_t instance = 0;  // -1: end of the list
  std::string cameraAuthority;
};
HostSiteEntry DecodeHostSiteEntry(ConstByteSpan block);

struct HostGroupEntry {
  std::int32_t level = 0;  // -1: end of the list
  std::string name;
  std::uint32_t authority = 0;
};
HostGroupEntry DecodeHostGroupEntry(ConstByteSpan block);

// The password as a host sends it: the 32-byte SHA-256 of the password (digest form), or the
// plain text of at most 31 bytes.
using HostPassword = std::array<std::uint8_t, host_credentials_layout::kPasswordWidth>;
HostPassword HostPasswordDigest(std::string_view password);
HostPassword HostPasswordPlain(std::string_view password);
RecordBytes<host_credentials_layout::kSize> EncodeHostCredentials(std::string_view userName,
                                                                  const HostPassword& password);

}  // namespace orlentis::peer
