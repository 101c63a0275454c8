#include "support/store/store_rows.h"

#include <algorithm>

#include "access/password_digest.h"
#include "base/clock.h"
#include "store/bound_statement.h"
#include "store/engine.h"
#include "store/group_table.h"
#include "store/user_site_table.h"
#include "store/user_table.h"

namespace orlentis::testing {

std::int32_t AddGroup(const std::string& name, std::int32_t level, std::uint32_t authority) {
  GroupTable groups(ThreadSession());
  groups.OpenById(-1);
  GroupRow& row = groups.AddNew();
  row.strName = name;
  row.nLevel = level;
  row.bsAuthority = static_cast<std::int32_t>(authority);
  groups.Update();
  return groups.Current().nID;
}

std::int32_t GroupIdByName(const std::string& name) {
  GroupTable groups(ThreadSession());
  groups.OpenByName(name);
  return groups.IsEOF() ? -1 : groups.Current().nID;
}

std::int32_t AddUser(const std::string& name, const std::string& password, std::int32_t groupId,
                     std::uint32_t authority) {
  UserTable users(ThreadSession());
  users.OpenByName(name);
  UserRow& row = users.AddNew();
  row.nGroupID = groupId;
  row.strName = name;
  row.strPassword = PasswordDigest(password, false);
  row.bsAuthority = static_cast<std::int32_t>(authority);
  users.Update();
  return users.Current().nID;
}

std::int32_t AddSite(const std::string& address, std::int32_t instance, const std::string& name) {
  SiteTable sites(ThreadSession());
  sites.OpenById(-1);
  SiteRow& row = sites.AddNew();
  row.strIP = address;
  row.nInstanceID = instance;
  row.strSiteName = name;
  sites.Update();
  return sites.Current().nID;
}

void AddUserSite(std::int32_t userId, std::int32_t siteId, const std::string& cameraAuthority) {
  UserSiteTable permissions(ThreadSession());
  permissions.OpenByUserAndSite(userId, siteId);
  UserSiteRow& row = permissions.AddNew();
  row.nUserID = userId;
  row.nSiteID = siteId;
  row.strCameraAuthority = cameraAuthority;
  permissions.Update();
}

void SetSiteOnline(std::int32_t siteId, std::int32_t webServerPort, std::time_t checkInTime) {
  SiteTable sites(ThreadSession());
  sites.OpenById(siteId);
  SiteRow& row = sites.Edit();
  row.nWebServerPort = webServerPort;
  row.bOnline = 1;
  row.dCheckInTime = OleDateFromTime(checkInTime);
  sites.Update();
}

void AddCamera(std::int32_t siteId, std::int32_t index, bool exists, std::int32_t stateFlag,
               const std::string& name) {
  CameraTable cameras(ThreadSession());
  CameraRow& row = cameras.AddNew();
  row.nSiteID = siteId;
  row.nIndex = index;
  row.bExistence = exists ? 1 : 0;
  row.nStateFlag = stateFlag;
  row.strResolution = "704x480";
  row.strName = name;
  cameras.Update();
}

void AddLogEntryAt(std::time_t time, const std::string& source, const std::string& action,
                   const std::string& detail) {
  LogTable log(ThreadSession());
  LogRow& row = log.AddNew();
  row.time = time;
  row.strSource = source;
  row.strAction = action;
  row.strDetail = detail;
  log.Update();
}

std::vector<SiteRow> AllSites() {
  SiteTable sites(ThreadSession());
  sites.OpenAll();
  return sites.Rows();
}

std::vector<CameraRow> CamerasOf(std::int32_t siteId) {
  CameraTable cameras(ThreadSession());
  cameras.OpenBySite(siteId);
  return cameras.Rows();
}

std::vector<LogRow> LogOldestFirst() {
  LogTable log(ThreadSession());
  log.OpenNewestFirst();
  std::vector<LogRow> rows = log.Rows();
  std::reverse(rows.begin(), rows.end());
  return rows;
}

int CountRows(const std::string& table) {
  int count = 0;
  BoundStatement(ThreadSession(), "SELECT COUNT(*) FROM " + table).Into(count).Execute();
  return count;
}

void ExecuteSql(const std::string& sql) {
  BoundStatement(ThreadSession(), sql).Execute();
}

}  // namespace orlentis::testing
