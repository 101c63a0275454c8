#include "access/ip_range.h"

#include <algorithm>

namespace orlentis {
namespace {

constexpr std::size_t kMaxAddressText = 31;
constexpr int kMaxParts = 4;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::uint32_t PartValue(std::string_view part) {
  std::uint32_t value = 0;
  for (const char c : part) {
    if (!IsDigit(c)) break;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return value;
}

}  // namespace

std::uint32_t AddressValue(std::string_view dotted) {
  dotted = dotted.substr(0, kMaxAddressText);
  std::uint32_t value = 0;
  int part = 0;
  std::size_t position = 0;
  while (part < kMaxParts) {
    position = dotted.find_first_not_of('.', position);
    if (position == std::string_view::npos) break;
    const std::size_t end = std::min(dotted.find('.', position), dotted.size());
    value |= PartValue(dotted.substr(position, end - position)) << (8 * (3 - part));
    ++part;
    position = end;
  }
  return value;
}

bool RangeContains(std::string_view from, std::string_view to, std::uint32_t address) {
  return AddressValue(from) <= address && address <= AddressValue(to);
}

}  // namespace orlentis
