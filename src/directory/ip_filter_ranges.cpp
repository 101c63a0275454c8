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
      listed.push_back({row.strIPFrom, row.strIPTo, row.strDescription, row.rowId});
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

DbResult<std::size_t> DeleteIpFilterRanges(const std::vector<std::int64_t>& keys) {
  return RunGuardedFor(
      [&](soci::session& session) { return MaskIpTable(session).DeleteByRowIds(keys); });
}

}  // namespace orlentis
