#include "access/roles.h"

#include <algorithm>

namespace orlentis {
namespace {

// ASCII only, as the database's NOCASE collation compares names, whatever the locale.
char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace

bool IsRoleName(std::string_view name) {
  return std::ranges::any_of(
      kRoleNames, [name](std::string_view role) { return EqualsIgnoringCase(name, role); });
}

bool IsAdministratorName(std::string_view name) {
  return EqualsIgnoringCase(name, kAdministratorName);
}

std::uint16_t CameraMask16(std::string_view cameraAuthority) {
  std::uint16_t mask = 0;
  const std::size_t count = std::min<std::size_t>(cameraAuthority.size(), 16);
  for (std::size_t i = 0; i < count; ++i) {
    if (cameraAuthority[i] == '1') mask |= static_cast<std::uint16_t>(1u << i);
  }
  return mask;
}

}  // namespace orlentis
