#include "directory/ip_filter.h"

#include <string>

#include "base/settings.h"
#include "store/database_guard.h"
#include "store/mask_ip_table.h"

namespace orlentis {

RangeLookup IsInAnyRange(std::string_view address) {
  const std::uint32_t value = AddressValue(address);
  bool inside = false;
  const DbOutcome outcome = RunGuarded([&](soci::session& session) {
    MaskIpTable ranges(session);
    ranges.OpenAll();
    for (const MaskIPRow& range : ranges.Rows()) {
      if (RangeContains(range.strIPFrom, range.strIPTo, value)) {
        inside = true;
        break;
      }
    }
  });
  switch (outcome) {
    case DbOutcome::kDone:
      return inside ? RangeLookup::kInside : RangeLookup::kOutside;
    case DbOutcome::kSkipped:
      return RangeLookup::kUnavailable;
    case DbOutcome::kFailed:
      break;
  }
  return RangeLookup::kFailed;
}

bool IsAddressAllowed(std::string_view peerAddress, const Settings& settings) {
  if (!settings.IsIPFilter()) return true;
  const RangeLookup lookup = IsInAnyRange(peerAddress);
  if (lookup == RangeLookup::kFailed) return false;
  const bool inside = lookup == RangeLookup::kInside;
  return settings.GetIPFilterMode() == kFilterAcceptMode ? inside : !inside;
}

}  // namespace orlentis
