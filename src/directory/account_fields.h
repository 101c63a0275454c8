#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orlentis {

// The widths of the account records the recorders receive (64- and 256-byte fields, one byte
// for the terminator), counted in characters as the code page counts them.
inline constexpr std::size_t kMaxAccountNameCharacters = 63;
inline constexpr std::size_t kMaxDescriptionCharacters = 255;

// The first maxCharacters characters of a UTF-8 text.
std::string ClipCharacters(std::string_view utf8, std::size_t maxCharacters);

}  // namespace orlentis
