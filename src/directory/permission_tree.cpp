#include "directory/permission_tree.h"

#include "access/roles.h"
#include "store/camera_table.h"
#include "store/database_guard.h"
#include "store/site_permission_join.h"
#include "store/site_table.h"

namespace orlentis {
namespace {

constexpr char kPermitted = '1';
constexpr char kDenied = '0';

std::string OnlineWord(bool online) {
  return online ? "On-line" : "Off-line";
}

std::string SiteLabel(const SitePermissionRow& row) {
  const std::string state = " (" + OnlineWord(row.bOnline != 0) + ")";
  if (row.nInstanceID == kRecordProtocolInstance) {
    return row.strIP + " " + row.strSiteName + state;
  }
  return row.strIP + " - " + std::to_string(row.nInstanceID + 1) + " " + row.strSiteName + state;
}

// A stored text longer than 64 characters is cut; a shorter one permits nothing past its end.
std::string CameraAuthorityOf(const SitePermissionRow& row, bool locked) {
  if (row.IsCameraAuthorityNull()) {
    return std::string(locked ? kCameraAuthorityAllPermitted : kCameraAuthorityAllDenied);
  }
  std::string text = row.strCameraAuthority->substr(0, kCameraAuthorityLength);
  text.resize(kCameraAuthorityLength, kDenied);
  return text;
}

std::vector<TreeCamera> CamerasOf(soci::session& session, const SitePermissionRow& row) {
  std::vector<TreeCamera> cameras;
  if (row.nInstanceID == kRecordProtocolInstance) {
    for (std::int32_t index = 0; index < kRecordSiteCameras; ++index) {
      cameras.push_back({index, "Camera " + std::to_string(index + 1)});
    }
    return cameras;
  }
  CameraTable present(session);
  present.OpenPresentBySite(row.nID);
  for (const CameraRow& camera : present.Rows()) {
    if (camera.nIndex < 0 || camera.nIndex >= static_cast<std::int32_t>(kCameraAuthorityLength))
      continue;
    cameras.push_back({camera.nIndex, camera.strName});
  }
  return cameras;
}

PermissionTree ReadTree(soci::session& session, std::int32_t userId, bool locked) {
  SitePermissionJoin join(session);
  join.OpenForUser(userId);
  std::vector<TreeSite> sites;
  for (const SitePermissionRow& row : join.Rows()) {
    if (row.nInstanceID >= kFirstUnlistedInstance) continue;
    sites.push_back({row.nID, row.nInstanceID, row.bOnline != 0, row.strIP, SiteLabel(row),
                     CameraAuthorityOf(row, locked), CamerasOf(session, row)});
  }
  return PermissionTree(std::move(sites), locked);
}

}  // namespace

PermissionTree::PermissionTree(std::vector<TreeSite> sites, bool locked)
    : sites_(std::move(sites)), locked_(locked) {}

bool PermissionTree::IsCameraChecked(std::size_t site, std::size_t camera) const {
  const TreeSite& entry = sites_.at(site);
  return entry.cameraAuthority.at(static_cast<std::size_t>(entry.cameras.at(camera).index)) ==
         kPermitted;
}

bool PermissionTree::IsSiteChecked(std::size_t site) const {
  for (std::size_t camera = 0; camera < sites_.at(site).cameras.size(); ++camera) {
    if (IsCameraChecked(site, camera)) return true;
  }
  return false;
}

bool PermissionTree::CanRemove(std::size_t site) const {
  return site < sites_.size() && !sites_[site].online;
}

void PermissionTree::ToggleCamera(std::size_t site, std::size_t camera) {
  if (locked_) return;
  TreeSite& entry = sites_.at(site);
  char& mark = entry.cameraAuthority.at(static_cast<std::size_t>(entry.cameras.at(camera).index));
  mark = mark == kPermitted ? kDenied : kPermitted;
}

void PermissionTree::ToggleSite(std::size_t site) {
  if (locked_) return;
  const char mark = IsSiteChecked(site) ? kDenied : kPermitted;
  TreeSite& entry = sites_.at(site);
  for (const TreeCamera& camera : entry.cameras) {
    entry.cameraAuthority.at(static_cast<std::size_t>(camera.index)) = mark;
  }
}

std::vector<SiteRight> PermissionTree::Rights() const {
  std::vector<SiteRight> rights;
  for (const TreeSite& site : sites_) rights.push_back({site.siteId, site.cameraAuthority});
  return rights;
}

DbResult<PermissionTree> ReadPermissionTree(std::int32_t userId, bool locked) {
  return RunGuardedFor([&](soci::session& session) { return ReadTree(session, userId, locked); });
}

}  // namespace orlentis
