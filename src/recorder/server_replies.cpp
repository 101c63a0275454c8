#include "recorder/server_replies.h"

namespace orlentis {

StatusReply DecodeStatus(ConstByteSpan record) {
  using namespace status_layout;
  return {LoadU32(record, kWord), LoadI32(record, kValue), LoadU32(record, kVersion)};
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

HostFrameReply DecodeHostFrameReply(ConstByteSpan record) {
  return {LoadU32(record, host_frame_layout::kKind), DecodeHostFrame(record)};
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

std::uint32_t UnpackAuthorityBytes(std::uint8_t low, std::uint8_t high) {
  return (low & 0x07u) | ((low & 0xF0u) >> 1) | ((high & 0x03u) << 7);
}

}  // namespace orlentis
