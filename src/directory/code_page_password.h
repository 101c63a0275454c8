#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orlentis {

// The stored form of a password typed in UTF-8: the digest of its bytes in the recorders' code
// page (the setting SYSTEM/CODEPAGE), which is what a host hashes before it sends a password;
// nothing when the code page cannot hold one of its characters.
std::optional<std::string> CodePagePasswordDigest(std::string_view utf8Password);

}  // namespace orlentis
