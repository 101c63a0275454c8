#include "account_arguments.h"

#include <arpa/inet.h>

#include <charconv>
#include <sstream>

#include "access/roles.h"
#include "admin_status.h"

namespace orlentis::admin {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, separator)) parts.push_back(part);
  return parts;
}

std::optional<std::int32_t> WholeNumber(const std::string& text) {
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::int32_t CameraNumber(const std::string& text) {
  const auto number = WholeNumber(text);
  if (!number || *number < 1 || *number > static_cast<std::int32_t>(kCameraAuthorityLength)) {
    throw UsageError("camera numbers run from 1 to 64, not \"" + text + "\"");
  }
  return *number;
}

}  // namespace

const std::vector<std::string>& RightNames() {
  static const std::vector<std::string> names = {"monitoring",    "ptz-control", "searching",
                                                 "general-setup", "user-setup",  "remote-setup",
                                                 "backup",        "shutdown",    "privacy-mask"};
  return names;
}

std::uint32_t ParseRights(const std::string& text) {
  if (text == "all") return kAuthorityAll;
  if (text == "none") return 0;
  std::uint32_t rights = 0;
  for (const std::string& name : Split(text, ',')) {
    const auto& names = RightNames();
    std::size_t bit = 0;
    while (bit < names.size() && names[bit] != name) ++bit;
    if (bit == names.size()) throw UsageError("unknown right \"" + name + "\"");
    rights |= 1U << bit;
  }
  return rights;
}

std::string RightsText(std::uint32_t authority) {
  std::string text;
  for (std::size_t bit = 0; bit < RightNames().size(); ++bit) {
    if ((authority >> bit & 1U) == 0) continue;
    text += (text.empty() ? "" : ",") + RightNames()[bit];
  }
  return text.empty() ? "none" : text;
}

std::uint32_t ParseAddress(const std::string& text) {
  in_addr address{};
  if (::inet_pton(AF_INET, text.c_str(), &address) != 1) {
    throw UsageError("\"" + text + "\" is not an IPv4 address");
  }
  return ntohl(address.s_addr);
}

SiteChoice ParseSiteChoice(const std::string& text) {
  const auto colon = text.find(':');
  SiteChoice choice{text.substr(0, colon), std::nullopt};
  ParseAddress(choice.address);
  if (colon != std::string::npos) {
    choice.instance = WholeNumber(text.substr(colon + 1));
    if (!choice.instance || *choice.instance < 0) {
      throw UsageError("the instance of " + text + " must be a whole number from 0");
    }
  }
  return choice;
}

bool Matches(const SiteChoice& choice, const TreeSite& site) {
  return site.address == choice.address && (!choice.instance || *choice.instance == site.instance);
}

std::string SiteName(const TreeSite& site) {
  return site.instance < 0 ? site.address : site.address + ":" + std::to_string(site.instance);
}

std::string CameraAuthorityFor(const std::string& cameras, const TreeSite& site) {
  std::vector<bool> present(kCameraAuthorityLength, false);
  for (const TreeCamera& camera : site.cameras) {
    if (camera.index >= 0 && camera.index < static_cast<std::int32_t>(kCameraAuthorityLength)) {
      present[static_cast<std::size_t>(camera.index)] = true;
    }
  }
  std::vector<bool> wanted = cameras == "all" ? present : std::vector<bool>(present.size(), false);
  if (cameras != "all" && cameras != "none") {
    for (const std::string& part : Split(cameras, ',')) {
      const auto dash = part.find('-');
      const std::int32_t first = CameraNumber(part.substr(0, dash));
      const std::int32_t last =
          dash == std::string::npos ? first : CameraNumber(part.substr(dash + 1));
      if (last < first) throw UsageError("the camera range " + part + " runs backwards");
      for (std::int32_t number = first; number <= last; ++number) wanted[number - 1] = true;
    }
  }
  std::string text(kCameraAuthorityAllDenied);
  for (std::size_t index = 0; index < kCameraAuthorityLength; ++index) {
    if (!wanted[index]) continue;
    if (!present[index]) {
      throw Refusal("the site " + SiteName(site) + " has no camera " + std::to_string(index + 1));
    }
    text[index] = '1';
  }
  return text;
}

std::string CamerasText(const std::string& cameraAuthority) {
  std::string text;
  std::size_t index = 0;
  while (index < cameraAuthority.size()) {
    if (cameraAuthority[index] != '1') {
      ++index;
      continue;
    }
    std::size_t end = index;
    while (end + 1 < cameraAuthority.size() && cameraAuthority[end + 1] == '1') ++end;
    text += (text.empty() ? "" : ",") + std::to_string(index + 1);
    if (end > index) text += "-" + std::to_string(end + 1);
    index = end + 1;
  }
  return text.empty() ? "none" : text;
}

}  // namespace orlentis::admin
