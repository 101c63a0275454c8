#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace orlentis {

// A fuzz input is what one peer sends on one connection, cut into writes. The protocol has no
// framing (one receive is one record), so where the writes end matters as much as their bytes.
// Each write is a 16-bit little-endian byte count and then that many bytes; a count past the
// end of the input takes what is left. Writes after the first kMaxWrites are not made.
inline constexpr std::size_t kMaxWrites = 32;

using Write = std::span<const std::uint8_t>;

std::vector<Write> SplitWrites(std::span<const std::uint8_t> input);
std::vector<std::uint8_t> JoinWrites(const std::vector<std::vector<std::uint8_t>>& writes);

}  // namespace orlentis
