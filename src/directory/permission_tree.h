#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "store/db_outcome.h"

namespace orlentis {

// The camera permissions of one user on one site: a camera-authority text of 64 characters.
struct SiteRight {
  std::int32_t siteId = 0;
  std::string cameraAuthority;
};

struct TreeCamera {
  std::int32_t index = 0;  // the camera's position in the site's camera-authority text
  std::string label;
};

struct TreeSite {
  std::int32_t siteId = 0;
  std::int32_t instance = 0;
  bool online = false;
  std::string address;  // dotted, as the site checked in from it
  std::string label;
  std::string cameraAuthority;  // always 64 characters
  std::vector<TreeCamera> cameras;
};

// The sites and cameras on which a user's camera permissions are edited, with the rules of
// their check marks. A camera is checked when its character is '1'; a site when any of its
// cameras is. Locked (the administrator account) nothing can be changed.
class PermissionTree {
 public:
  PermissionTree() = default;
  PermissionTree(std::vector<TreeSite> sites, bool locked);

  const std::vector<TreeSite>& Sites() const { return sites_; }
  bool Locked() const { return locked_; }

  bool IsCameraChecked(std::size_t site, std::size_t camera) const;
  bool IsSiteChecked(std::size_t site) const;
  // Only an off-line site can be removed from the directory.
  bool CanRemove(std::size_t site) const;

  // Checks or clears one camera.
  void ToggleCamera(std::size_t site, std::size_t camera);
  // A checked site is cleared with all its cameras, any other is checked with all of them; a
  // site without cameras stays as it is.
  void ToggleSite(std::size_t site);

  // What saving the user writes: one text per listed site, in tree order.
  std::vector<SiteRight> Rights() const;

 private:
  std::vector<TreeSite> sites_;
  bool locked_ = false;
};

// The tree of a user (userId -1 while one is being added: no permission is stored yet), read
// through the calling thread's session under the guard. Sites come by address, instance and
// name; instances 4 and above are not listed. A site of the record protocol (instance -1) has
// sixteen cameras whatever its Camera rows say; an instance has the cameras it reports. Where
// no permission is stored a locked tree permits every camera and any other permits none.
DbResult<PermissionTree> ReadPermissionTree(std::int32_t userId, bool locked);

// The first instance number the tree leaves out.
inline constexpr std::int32_t kFirstUnlistedInstance = 4;
inline constexpr std::int32_t kRecordSiteCameras = 16;

}  // namespace orlentis
