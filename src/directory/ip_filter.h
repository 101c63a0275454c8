#pragma once

#include <cstdint>
#include <string_view>

#include "access/ip_range.h"

namespace orlentis {

class Settings;

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
bool IsAddressAllowed(std::string_view peerAddress, const Settings& settings);

// The same decision for a lookup already made, in the filter's mode (kFilterDenyMode or
// kFilterAcceptMode).
bool FilterAdmits(RangeLookup lookup, std::int32_t mode);

inline constexpr std::int32_t kFilterDenyMode = 0;
inline constexpr std::int32_t kFilterAcceptMode = 1;

}  // namespace orlentis
