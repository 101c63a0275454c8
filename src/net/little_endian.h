#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orlentis {

// Field access in wire records. Records are plain byte arrays: every integer is read and
// written byte by byte as little-endian, whatever the host's order or the field's alignment.
using ByteSpan = std::span<std::uint8_t>;
using ConstByteSpan = std::span<const std::uint8_t>;

inline std::uint32_t LoadU32(ConstByteSpan bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset]) |
         static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

inline std::int32_t LoadI32(ConstByteSpan bytes, std::size_t offset) {
  return static_cast<std::int32_t>(LoadU32(bytes, offset));
}

inline void StoreU32(ByteSpan bytes, std::size_t offset, std::uint32_t value) {
  bytes[offset] = static_cast<std::uint8_t>(value);
  bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
  bytes[offset + 2] = static_cast<std::uint8_t>(value >> 16);
  bytes[offset + 3] = static_cast<std::uint8_t>(value >> 24);
}

inline void StoreI32(ByteSpan bytes, std::size_t offset, std::int32_t value) {
  StoreU32(bytes, offset, static_cast<std::uint32_t>(value));
}

// The text of a fixed-width field: up to its first zero byte, or the whole field when it
// has none (a peer's field without a terminator never reads past its end).
std::string LoadText(ConstByteSpan bytes, std::size_t offset, std::size_t width);

// Writes at most maxBytes bytes of text into a field that the caller has zeroed; the rest
// of the field stays zero, so a text shorter than the field is terminated.
void StoreText(ByteSpan bytes, std::size_t offset, std::string_view text, std::size_t maxBytes);

}  // namespace orlentis
