#include "access/password_digest.h"

#include <openssl/evp.h>

#include <stdexcept>

#include "base/code_page_text.h"

namespace orlentis {
namespace {

using Digest = std::array<std::uint8_t, kPasswordDigestBytes>;

std::string LowerHex(const Digest& digest) {
  constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(digest.size() * 2);
  for (const unsigned char byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

}  // namespace

Digest Sha256(std::string_view bytes) {
  Digest digest{};
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1 ||
      length != digest.size()) {
    throw std::runtime_error("SHA-256 failed");
  }
  return digest;
}

std::string PasswordDigest(std::string_view input, bool inputIsDigest) {
  if (inputIsDigest && input.size() != kPasswordDigestBytes) return {};
  // The text ends at its terminator when it comes from a fixed-size field.
  const std::string_view password = input.substr(0, input.find('\0')).substr(0, kMaxPasswordLength);
  const Digest first = inputIsDigest ? Digest{} : Sha256(password);
  const std::string_view firstBytes =
      inputIsDigest ? input
                    : std::string_view(reinterpret_cast<const char*>(first.data()), first.size());
  return LowerHex(Sha256(firstBytes));
}

std::optional<std::string> CodePagePasswordDigest(std::string_view utf8Password,
                                                  const std::string& codePage) {
  const std::optional<std::string> bytes =
      CodePageText(UsableCodePage(codePage)).FromUtf8Exactly(utf8Password);
  if (!bytes) return std::nullopt;
  return PasswordDigest(*bytes, false);
}

}  // namespace orlentis
