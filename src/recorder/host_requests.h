#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "net/wire_records.h"

namespace orlentis {

// The requests of a host exchange as a recorder sends them: the frame that opens each
// operation and the data blocks that follow it. Texts are given in the recorders' code page.

// operation: one of HOST_*, with the flag it requires; value: the instance, or 0.
HostFrameBytes EncodeHostRequest(std::int32_t operation, std::int32_t value);
RecordBytes<instance_header_layout::kSize> EncodeInstanceHeader(const InstanceHeader& header);
RecordBytes<host_camera_layout::kSize> EncodeHostCamera(const HostCamera& camera);

// The password field of HostCredentials: the 32-byte SHA-256 of the password (the digest
// form), or its plain text of at most 31 bytes.
using HostPassword = std::array<std::uint8_t, host_credentials_layout::kPasswordWidth>;
HostPassword HostPasswordDigest(std::string_view password);
HostPassword HostPasswordPlain(std::string_view password);
// The form the server announced in the value of its first login frame (1: digest, 0: plain);
// the built-in administrator's password always goes as the digest.
HostPassword HostPasswordInForm(std::int32_t announcedForm, std::string_view userName,
                                std::string_view password);

RecordBytes<host_credentials_layout::kSize> EncodeHostCredentials(std::string_view userName,
                                                                  const HostPassword& password);

}  // namespace orlentis
