#include "directory/site_monitor.h"

#include <map>

#include "base/clock.h"
#include "store/camera_table.h"
#include "store/database_guard.h"
#include "store/site_table.h"

namespace orlentis {
namespace {

std::int32_t CountPresentCameras(soci::session& session, std::int32_t siteId) {
  CameraTable cameras(session);
  cameras.OpenPresentBySite(siteId);
  return static_cast<std::int32_t>(cameras.Count());
}

// Writing back rows read earlier would undo a check-in that landed in between (its time, name
// and port with it); the stale ones go off line in one conditional statement instead.
std::vector<OnlineSite> ReadOnlineSites(soci::session& session) {
  SiteTable::MarkStaleOffline(session, NowOleDate() - kStaleCheckInDays);
  SiteTable sites(session);
  sites.OpenOnline();
  const std::map<std::int32_t, std::string> servers = ReadOnlineSiteServers(session);
  std::vector<OnlineSite> listed;
  for (const SiteRow& row : sites.Rows()) {
    const auto server = servers.find(row.nID);
    listed.push_back({row.nID, row.strSiteName, row.strIP, row.nWebServerPort,
                      CountPresentCameras(session, row.nID),
                      server != servers.end() ? server->second : std::string()});
  }
  return listed;
}

std::vector<SiteCamera> ReadSiteCameras(soci::session& session, std::int32_t siteId) {
  CameraTable cameras(session);
  cameras.OpenPresentBySite(siteId);
  std::vector<SiteCamera> listed;
  for (const CameraRow& row : cameras.Rows()) {
    listed.push_back({row.strName, row.strResolution, row.nStateFlag});
  }
  return listed;
}

}  // namespace

DbResult<std::vector<OnlineSite>> RefreshOnlineSites() {
  return RunGuardedFor([](soci::session& session) { return ReadOnlineSites(session); });
}

DbResult<std::vector<ServerRow>> ListServers() {
  return RunGuardedFor([](soci::session& session) { return ReadServers(session); });
}

DbResult<std::vector<SiteCamera>> ListSiteCameras(std::int32_t siteId) {
  return RunGuardedFor(
      [siteId](soci::session& session) { return ReadSiteCameras(session, siteId); });
}

}  // namespace orlentis
