#pragma once

#include <soci/soci.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orlentis {

// What the logins that recorders forward read, each in one statement: a statement sees the
// tables as they stood together without a transaction around it, and a network database
// answers it in one round trip. A user is found by its stored name and password digest.

// A login forwarded by a site: the user's own authority, its group if that still exists, and
// the camera-authority text of the user's row for the lowest-id record-protocol site at the
// peer's address (none without that site or row, or when the row has no text).
struct SiteLoginRead {
  std::int32_t userAuthority = 0;
  std::optional<std::string> groupName;
  std::int32_t groupLevel = 0;
  std::optional<std::string> cameraAuthority;
};
std::optional<SiteLoginRead> ReadSiteLogin(soci::session& session, const std::string& name,
                                           const std::string& passwordDigest,
                                           const std::string& peerAddress);

// A login relayed by a host: the user and its group (none when either is missing), and the
// host's instances at the peer's address (instance >= 0) where the user's row has a
// camera-authority text, by instance number.
struct PermittedInstance {
  std::int32_t instance = 0;
  std::string cameraAuthority;

  bool operator==(const PermittedInstance&) const = default;
};
struct HostLoginRead {
  std::string userName;
  std::int32_t userAuthority = 0;
  std::string groupName;
  std::int32_t groupAuthority = 0;
  std::vector<PermittedInstance> instances;
};
std::optional<HostLoginRead> ReadHostLogin(soci::session& session, const std::string& name,
                                           const std::string& passwordDigest,
                                           const std::string& peerAddress);

}  // namespace orlentis
