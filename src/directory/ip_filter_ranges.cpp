#include "directory/ip_filter_ranges.h"

#include "store/database_guard.h"
#include "store/mask_ip_table.h"

namespace orlentis {
namespace {

// The first count characters of UTF-8 text, never splitting one.
std::string_view FirstCharacters(std::string_view text, std::size_t count) {
  std::size_t end = 0;
  for (std::size_t characters = 0; end < text.size(); ++end) {
    const bool startsCharacter = (static_cast<unsigned char>(text[end]) & 0xC0) != 0x80;
    if (startsCharacter && characters++ == count) break;
  }
  return text.substr(0, end);
}

// Finds the range among the rows starting at its first address and deletes it.
bool DeleteRange(soci::session& session, const IpFilterRange& range) {
  MaskIpTable ranges(session);
  ranges.OpenByFirstAddress(range.from);
  for (ranges.MoveFirst(); !ranges.IsEOF(); ranges.MoveNext()) {
    const MaskIPRow& row = ranges.Current();
    if (row.strIPTo == range.to && row.strDescription == range.description) {
      ranges.Delete();
      return true;
    }
  }
  return false;
}

}  // namespace

std::string DottedAddress(std::uint32_t address) {
  return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
         std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

DbResult<std::vector<IpFilterRange>> ListIpFilterRanges() {
  return RunGuardedFor([](soci::session& session) {
    MaskIpTable ranges(session);
    ranges.OpenAll();
    std::vector<IpFilterRange> listed;
    for (const MaskIPRow& row : ranges.Rows()) {
      listed.push_back({row.strIPFrom, row.strIPTo, row.strDescription});
    }
    return listed;
  });
}

DbOutcome AddIpFilterRange(std::uint32_t from, std::uint32_t to, std::string_view description) {
  return RunGuarded([&](soci::session& session) {
    MaskIpTable ranges(session);
    MaskIPRow& row = ranges.AddNew();
    row.strIPFrom = DottedAddress(from);
    row.strIPTo = DottedAddress(to);
    row.strDescription = FirstCharacters(description, kMaxRangeDescription);
    ranges.Update();
  });
}

DbResult<std::size_t> DeleteIpFilterRanges(const std::vector<IpFilterRange>& selected) {
  return RunGuardedFor([&](soci::session& session) {
    std::size_t deleted = 0;
    while (deleted < selected.size() && DeleteRange(session, selected[deleted])) ++deleted;
    return deleted;
  });
}

}  // namespace orlentis
