#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "directory/permission_tree.h"

namespace orlentis::admin {

// The nine rights by name, bit i first: monitoring, ptz-control, searching, general-setup,
// user-setup, remote-setup, backup, shutdown, privacy-mask.
const std::vector<std::string>& RightNames();
// "monitoring,backup", "all" or "none"; an unknown name is a usage error.
std::uint32_t ParseRights(const std::string& text);
// The names of the rights set in authority, comma-separated; "none" for none.
std::string RightsText(std::uint32_t authority);

// A dotted IPv4 address; a usage error otherwise.
std::uint32_t ParseAddress(const std::string& text);

// ADDRESS[:INSTANCE]: the site of that instance, or every instance of the address.
struct SiteChoice {
  std::string address;
  std::optional<std::int32_t> instance;
};
SiteChoice ParseSiteChoice(const std::string& text);
bool Matches(const SiteChoice& choice, const TreeSite& site);
std::string SiteName(const TreeSite& site);  // "10.0.0.2:1", or the address for a record site

// The cameras of a site that a user may see: "1,2,5-8" (camera numbers from 1), "all" (every
// camera the site has) or "none". Gives the 64-character camera-authority text; a camera the
// site does not have is refused.
std::string CameraAuthorityFor(const std::string& cameras, const TreeSite& site);
// The cameras a camera-authority text permits, as "1-3,5"; "none" for none.
std::string CamerasText(const std::string& cameraAuthority);

}  // namespace orlentis::admin
