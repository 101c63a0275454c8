#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/db_outcome.h"

namespace orlentis {

// The IP filter's ranges (table MaskIP) as the console's Preferences page edits them. Every
// change is written at once: the listener reads the table for each new connection. Each
// function is one guarded database operation on the calling thread's session.

// The key names the range's row, since nothing stops two ranges from showing the same texts.
struct IpFilterRange {
  std::string from;  // dotted decimal
  std::string to;
  std::string description;
  std::int64_t key = 0;

  bool operator==(const IpFilterRange&) const = default;
};

inline constexpr std::size_t kMaxRangeDescription = 63;  // characters

// "a.b.c.d", most significant byte first; 0 gives "0.0.0.0".
std::string DottedAddress(std::uint32_t address);

// Every range, in the order they were added.
DbResult<std::vector<IpFilterRange>> ListIpFilterRanges();

// Appends a range exactly as given: from above to, a repeated range or zero addresses are
// stored as they are. The description keeps its first kMaxRangeDescription characters.
DbOutcome AddIpFilterRange(std::uint32_t from, std::uint32_t to, std::string_view description);

// Deletes the ranges with these keys, all or none. A range already deleted by someone else is
// not counted; gives back how many ranges this deletion removed.
DbResult<std::size_t> DeleteIpFilterRanges(const std::vector<std::int64_t>& keys);

}  // namespace orlentis
