#include "directory/ip_filter.h"

#include <algorithm>

#include "access/ip_range.h"
#include "store/database_guard.h"
#include "store/mask_ip_table.h"

namespace orlentis {

RangeLookup FilterRanges::Lookup(std::string_view address) const {
  const std::uint32_t value = AddressValue(address);
  const bool inside = std::any_of(ranges_.begin(), ranges_.end(), [&](const auto& range) {
    return RangeContains(range.first, range.second, value);
  });
  return inside ? RangeLookup::kInside : RangeLookup::kOutside;
}

DbResult<FilterRanges> ReadFilterRanges() {
  return RunGuardedFor([](soci::session& session) {
    MaskIpTable table(session);
    table.OpenAll();
    FilterRanges read;
    for (const MaskIPRow& row : table.Rows()) read.ranges_.emplace_back(row.strIPFrom, row.strIPTo);
    return read;
  });
}

RangeLookup LookUpAddress(const DbResult<FilterRanges>& read, std::string_view address) {
  switch (read.outcome) {
    case DbOutcome::kDone:
      return read.value->Lookup(address);
    case DbOutcome::kSkipped:
      return RangeLookup::kUnavailable;
    case DbOutcome::kFailed:
    case DbOutcome::kBusy:
      break;
  }
  return RangeLookup::kFailed;
}

bool FilterAdmits(RangeLookup lookup, std::int32_t mode) {
  if (lookup == RangeLookup::kFailed) return false;
  const bool inside = lookup == RangeLookup::kInside;
  return mode == kFilterAcceptMode ? inside : !inside;
}

}  // namespace orlentis
