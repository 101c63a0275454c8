#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orlentis {

inline constexpr std::size_t kMaxPasswordLength = 127;
inline constexpr std::size_t kPasswordDigestBytes = 32;

// The stored form of a password: SHA-256 applied twice, as 64 lowercase hex digits. input is
// the password text (its first 127 bytes count), or with inputIsDigest the 32-byte SHA-256 of
// it as a host sends it; a digest input of another length gives the empty text.
std::string PasswordDigest(std::string_view input, bool inputIsDigest);

// The stored form of a password typed in UTF-8: the digest of its bytes in the recorders' code
// page, which is what a host hashes before it sends a password; nothing when the code page
// cannot hold one of its characters.
std::optional<std::string> CodePagePasswordDigest(std::string_view utf8Password,
                                                  const std::string& codePage);

// The SHA-256 of bytes: the first step of the stored form, and the form in which a host sends
// a password.
std::array<std::uint8_t, kPasswordDigestBytes> Sha256(std::string_view bytes);

}  // namespace orlentis
