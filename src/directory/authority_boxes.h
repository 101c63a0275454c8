#pragma once

#include <cstdint>

#include "access/roles.h"

namespace orlentis {

// The nine authority boxes of the user dialog (box i for bit i): a user can be given only the
// rights the group has, so only those boxes can be changed.
struct AuthorityBoxes {
  std::uint32_t enabled = 0;
  std::uint32_t checked = 0;

  constexpr bool IsEnabled(int bit) const { return (enabled >> bit & 1U) != 0; }
};

// A group is chosen: the user starts from all of the group's rights.
constexpr AuthorityBoxes BoxesForGroup(std::uint32_t groupAuthority) {
  return {groupAuthority & kAuthorityAll, groupAuthority & kAuthorityAll};
}

// A stored user is shown with its group: the user's own rights are checked, also one that the
// group no longer has, whose box cannot be changed then.
constexpr AuthorityBoxes BoxesForUser(std::uint32_t userAuthority, std::uint32_t groupAuthority) {
  return {groupAuthority & kAuthorityAll, userAuthority & kAuthorityAll};
}

}  // namespace orlentis
