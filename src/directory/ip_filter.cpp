#include "directory/ip_filter.h"

#include <algorithm>
#include <optional>

#include "access/ip_range.h"
#include "store/database_guard.h"
#include "store/directory_version.h"
#include "store/mask_ip_table.h"

namespace orlentis {

RangeLookup FilterRanges::Lookup(std::string_view address) const {
  const std::uint32_t value = AddressValue(address);
  const bool inside = std::any_of(ranges_.begin(), ranges_.end(), [&](const auto& range) {
    return RangeContains(range.first, range.second, value);
  });
  return inside ? RangeLookup::kInside : RangeLookup::kOutside;
}

// The ranges are kept by the reading thread for the directory's version they were read at, as
// the logins are: an admission then costs no statement until the directory changes.
DbResult<FilterRanges> ReadFilterRanges() {
  struct Kept {
    std::optional<DirectoryVersion> version;
    FilterRanges ranges;
  };
  return RunGuardedFor([](soci::session& session) {
    thread_local Kept kept;
    const std::optional<DirectoryVersion> version = CurrentDirectoryVersion();
    if (version && kept.version == version) return kept.ranges;
    MaskIpTable table(session);
    table.OpenAll();
    FilterRanges read;
    for (const MaskIPRow& row : table.Rows()) read.ranges_.emplace_back(row.strIPFrom, row.strIPTo);
    kept.version = version;
    kept.ranges = read;
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
