#include "store/site_permission_join.h"

#include <stdexcept>

#include "store/bound_statement.h"

namespace orlentis {
namespace {

constexpr const char* kSelectColumns =
    "SELECT Site.nID, Site.strIP, Site.strSiteName, Site.nInstanceID, Site.nWebServerPort, "
    "Site.bOnline, Site.dCheckInTime, SiteOfUser.nUserID, SiteOfUser.nSiteID, "
    "SiteOfUser.strCameraAuthority FROM Site ";
// Every site, with the user's row where there is one.
constexpr const char* kAnyPermission =
    "LEFT JOIN UserSite AS SiteOfUser ON SiteOfUser.nUserID = :usr AND "
    "SiteOfUser.nSiteID = Site.nID ";
// Only the sites where the user's row names cameras.
constexpr const char* kCameraPermission =
    "JOIN UserSite AS SiteOfUser ON SiteOfUser.nUserID = :usr AND "
    "SiteOfUser.nSiteID = Site.nID AND SiteOfUser.strCameraAuthority IS NOT NULL ";

// The record-protocol sites at an address, lowest id first: the SiteByAddressAndInstance
// index yields them in that order.
constexpr const char* kRecordSitesAt = "WHERE Site.strIP = :ip AND Site.nInstanceID = -1 ";
constexpr const char* kInstanceOrder = "ORDER BY Site.nInstanceID, Site.nID";

std::string JoinQuery(const char* join, const char* condition, const char* order) {
  return std::string(kSelectColumns) + join + condition + order;
}

// The columns of the joined UserSite row, after the seven Site columns.
constexpr std::size_t kJoinedUserColumn = 7;
constexpr std::size_t kJoinedSiteColumn = 8;
constexpr std::size_t kJoinedAuthorityColumn = 9;

}  // namespace

void SitePermissionJoin::OpenForUser(std::int32_t userId) {
  Open(userId, std::nullopt,
       JoinQuery(kAnyPermission, "",
                 "ORDER BY Site.strIP, Site.nInstanceID, Site.strSiteName, Site.nID"));
}

void SitePermissionJoin::OpenFirstForUserAtSite(std::int32_t userId, const std::string& ip) {
  Open(userId, ip, JoinQuery(kAnyPermission, kRecordSitesAt, "ORDER BY Site.nID LIMIT 1"));
}

void SitePermissionJoin::OpenPermittedForUserAtHost(std::int32_t userId, const std::string& ip) {
  Open(userId, ip,
       JoinQuery(kCameraPermission, "WHERE Site.strIP = :ip AND Site.nInstanceID >= 0 ",
                 kInstanceOrder));
}

void SitePermissionJoin::Open(std::int32_t userId, std::optional<std::string> ip,
                              const std::string& sql) {
  std::vector<SitePermissionRow> rows;
  SitePermissionRow row;
  std::int32_t joinedUser = 0;
  std::int32_t joinedSite = 0;
  std::string cameraAuthority;
  BoundStatement query(session_, sql);
  query.Into(row.nID).Into(row.strIP).Into(row.strSiteName).Into(row.nInstanceID);
  query.Into(row.nWebServerPort).Into(row.bOnline).Into(row.dCheckInTime);
  query.Into(joinedUser).Into(joinedSite).Into(cameraAuthority);
  query.Use(userId);
  if (ip) query.Use(*ip);
  while (query.Fetch()) {
    row.nUserID.reset();
    row.nSiteID.reset();
    row.strCameraAuthority.reset();
    if (!query.IsNull(kJoinedUserColumn)) row.nUserID = joinedUser;
    if (!query.IsNull(kJoinedSiteColumn)) row.nSiteID = joinedSite;
    if (!query.IsNull(kJoinedAuthorityColumn)) row.strCameraAuthority = cameraAuthority;
    rows.push_back(row);
  }
  rows_ = std::move(rows);
}

const SitePermissionRow& SitePermissionJoin::Current() const {
  if (rows_.empty()) throw std::out_of_range("record set has no current row");
  return rows_.front();
}

}  // namespace orlentis
