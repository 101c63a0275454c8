#pragma once

#include <cstdint>
#include <string_view>

namespace orlentis {

class CSettings;

// The value of a dotted address as the filter compares it: split at dots (a run of dots is
// one separator), at most four parts, each read as decimal up to its first non-digit (no
// digits: 0) and shifted left by 24, 16, 8 and 0 bits, the parts combined by OR. A part above
// 255 thus spills into the bits of the parts before it; missing parts leave low bytes 0.
// Only the first 31 characters of the text are used.
std::uint32_t AddressValue(std::string_view dotted);

// Whether address lies in the inclusive range from..to, compared as unsigned values; a range
// whose from is above its to holds nothing.
bool RangeContains(std::string_view from, std::string_view to, std::uint32_t address);

enum class RangeLookup {
  kInside,       // a MaskIP row contains the address
  kOutside,      // no row does
  kUnavailable,  // the database is being repaired; the table was not read
  kFailed,       // reading the table failed (a repair has been started)
};

// Reads MaskIP, first row to last, through the calling thread's session under the database
// guard, and stops at the first range that contains address.
RangeLookup IsInAnyRange(std::string_view address);

// Whether a peer at peerAddress may stay connected. With the filter off the table is not
// read. Deny mode admits what no range holds, accept mode only what a range holds; while the
// database is unavailable no range holds anything, and a failed read refuses in both modes.
bool IsAddressAllowed(std::string_view peerAddress, const CSettings& settings);

inline constexpr std::int32_t kFilterDenyMode = 0;
inline constexpr std::int32_t kFilterAcceptMode = 1;

}  // namespace orlentis
