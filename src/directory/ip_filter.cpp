#include "directory/ip_filter.h"

#include <algorithm>
#include <string>

#include "base/settings.h"
#include "store/database_guard.h"
#include "store/mask_ip_table.h"

namespace orlentis {

RangeLookup IsInAnyRange(std::string_view address) {
  const std::uint32_t value = AddressValue(address);
  const auto inside = RunGuardedFor([&](soci::session& session) {
    MaskIpTable ranges(session);
    ranges.OpenAll();
    const auto& rows = ranges.Rows();
    return std::any_of(rows.begin(), rows.end(), [&](const MaskIPRow& range) {
      return RangeContains(range.strIPFrom, range.strIPTo, value);
    });
  });
  switch (inside.outcome) {
    case DbOutcome::kDone:
      return *inside.value ? RangeLookup::kInside : RangeLookup::kOutside;
    case DbOutcome::kSkipped:
      return RangeLookup::kUnavailable;
    case DbOutcome::kFailed:
    case DbOutcome::kBusy:
      break;
  }
  return RangeLookup::kFailed;
}

bool IsAddressAllowed(std::string_view peerAddress, const Settings& settings) {
  if (!settings.IsIPFilter()) return true;
  return FilterAdmits(IsInAnyRange(peerAddress), settings.GetIPFilterMode());
}

bool FilterAdmits(RangeLookup lookup, std::int32_t mode) {
  if (lookup == RangeLookup::kFailed) return false;
  const bool inside = lookup == RangeLookup::kInside;
  return mode == kFilterAcceptMode ? inside : !inside;
}

}  // namespace orlentis
