#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "directory/account_verdict.h"

namespace orlentis {

// Sites the administrator registers before they ever check in, so that users can be given
// their cameras, and removes again. Each function is one guarded database operation on the
// calling thread's session, in one transaction. Neither writes an event-log entry.

// An address as its four octet fields give it; a field left blank is empty.
using SiteAddress = std::array<std::optional<std::uint8_t>, 4>;

inline constexpr std::int32_t kMaxAddedInstances = 4;

// Registers instances 0 to instances-1 (1 to 4) of the address, blank octets counting as 0:
// each instance not yet registered gets a Site row named "N/A", off line, with web-server
// port 0 and the time now, and sixteen existing cameras "Camera 1" to "Camera 16" (indexes 0
// to 15; camera rows of higher indexes that exist are marked absent). Registered instances
// stay as they are. An address without any octet is refused silently.
AccountVerdict AddSites(const SiteAddress& address, std::int32_t instances);

// Removes an off-line site with every user's permissions for it; its Camera rows stay. An
// on-line site, or one that is gone, is refused silently.
AccountVerdict RemoveSite(std::int32_t siteId);

}  // namespace orlentis
