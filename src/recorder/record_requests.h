#pragma once

#include <cstdint>
#include <string_view>

#include "net/wire_records.h"

namespace orlentis {

// The requests of the record protocol as a recorder sends them. Texts are given in the
// recorders' code page, and a text too long for its field is cut to leave its terminator.

// A check-in: kind CMD_SITE_CHECKIN or CMD_SITE_UPDATE. The tag is empty for a site, or
// kHostCheckTag or kAccountCheckTag for a check; the name goes as UTF-16LE.
RecordBytes<site_layout::kSize> EncodeSiteRecord(std::uint32_t kind, std::u16string_view name,
                                                 std::string_view tag, std::int32_t webServerPort);
// The server reads only the kind of a check-out; a recorder sends one of a status's size.
StatusBytes EncodeSiteCheckOut();

RecordBytes<camera_layout::kSize> EncodeCameraInfo(const CameraRecord& camera);
RecordBytes<camera_layout::kSize> EncodeCameraReset();

// kind: CMD_ACCOUNT_LOGIN, CMD_USER_LOGIN, CMD_USER_LOGOUT, CMD_USER_STATUS or CMD_USER_LIST.
RecordBytes<user_layout::kSize> EncodeUserRequest(std::uint32_t kind, const UserRequest& request);

// kind: CMD_GROUP_COUNT or CMD_GROUP_LIST; nothing but the kind is read.
RecordBytes<group_layout::kSize> EncodeGroupRequest(std::uint32_t kind);

// The server sends a keep-alive back whole, with the kind CMD_KEEPALIVE_ECHO.
StatusBytes EncodeKeepAlive(std::int32_t sequence);
// What a recorder sends after each record of a list before the server sends the next.
StatusBytes EncodeAcknowledgement();

}  // namespace orlentis
