#include "directory/account_fields.h"

namespace orlentis {

std::string ClipCharacters(std::string_view utf8, std::size_t maxCharacters) {
  std::size_t characters = 0;
  for (std::size_t at = 0; at < utf8.size(); ++at) {
    const bool startsCharacter = (static_cast<unsigned char>(utf8[at]) & 0xC0) != 0x80;
    if (startsCharacter && ++characters > maxCharacters) return std::string(utf8.substr(0, at));
  }
  return std::string(utf8);
}

}  // namespace orlentis
