#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/db_outcome.h"

namespace orlentis {

enum class RangeLookup {
  kInside,       // a MaskIP row contains the address
  kOutside,      // no row does
  kUnavailable,  // the database is being repaired; the table was not read
  kFailed,       // reading the table failed (a repair has been started)
};

// The IP filter's ranges (table MaskIP) as one read found them, first row to last.
class FilterRanges {
 public:
  // kInside or kOutside.
  RangeLookup Lookup(std::string_view address) const;

 private:
  friend DbResult<FilterRanges> ReadFilterRanges();
  std::vector<std::pair<std::string, std::string>> ranges_;  // dotted from, to
};

// Reads MaskIP through the calling thread's session under the database guard.
DbResult<FilterRanges> ReadFilterRanges();

// The lookup of address in what a read of the ranges gave: kUnavailable when the database was
// unavailable, kFailed when the read failed.
RangeLookup LookUpAddress(const DbResult<FilterRanges>& read, std::string_view address);

// Whether the filter admits a peer whose address the lookup placed. Deny mode admits what no
// range holds, accept mode only what a range holds; while the database is unavailable no range
// holds anything, and a failed read refuses in both modes.
bool FilterAdmits(RangeLookup lookup, std::int32_t mode);

inline constexpr std::int32_t kFilterDenyMode = 0;
inline constexpr std::int32_t kFilterAcceptMode = 1;

}  // namespace orlentis
