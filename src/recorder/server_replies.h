#pragma once

#include <cstdint>
#include <string>

#include "net/wire_records.h"

namespace orlentis {

// The server's replies as a recorder reads them. Each decoder takes a block of its record's
// size and reads every field as it stands; whether a reply is the one expected (its kind, its
// status) is for the caller to judge.

struct StatusReply {
  std::uint32_t word = 0;
  std::int32_t value = 0;
  std::uint32_t version = 0;

  bool operator==(const StatusReply&) const = default;
};
StatusReply DecodeStatus(ConstByteSpan record);

UserReply DecodeUserReply(ConstByteSpan record);

// An entry of the record-protocol group list; its kind is 0.
struct GroupRecordReply {
  std::uint32_t kind = 0;
  GroupRecord group;
  std::uint32_t version = 0;

  bool operator==(const GroupRecordReply&) const = default;
};
GroupRecordReply DecodeGroupRecord(ConstByteSpan record);

// A host frame from the server: kind CMD_HOST, then the status (1 go on or done, 0 refused,
// -1 operation not known), the flag and the value.
struct HostFrameReply {
  std::uint32_t kind = 0;
  HostFrame frame;

  bool operator==(const HostFrameReply&) const = default;
};
HostFrameReply DecodeHostFrameReply(ConstByteSpan record);

HostUserInfo DecodeHostUserInfo(ConstByteSpan block);

struct HostSiteEntry {
  std::int32_t instance = 0;  // -1: end of the list
  std::string cameraAuthority;

  bool operator==(const HostSiteEntry&) const = default;
};
HostSiteEntry DecodeHostSiteEntry(ConstByteSpan block);

struct HostGroupEntry {
  std::int32_t level = 0;  // -1: end of the list
  std::string name;
  std::uint32_t authority = 0;

  bool operator==(const HostGroupEntry&) const = default;
};
HostGroupEntry DecodeHostGroupEntry(ConstByteSpan block);

// The 9-bit authority packed into the two `authority bytes` (the inverse of
// PackAuthorityBytes).
std::uint32_t UnpackAuthorityBytes(std::uint8_t low, std::uint8_t high);

}  // namespace orlentis
