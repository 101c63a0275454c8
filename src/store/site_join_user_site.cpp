#include "store/site_join_user_site.h"

#include <stdexcept>

#include "store/bound_statement.h"

namespace orlentis {
namespace {

constexpr const char* kSelectJoin =
    "SELECT Site.nID, Site.strIP, Site.strSiteName, Site.nInstanceID, Site.nWebServerPort, "
    "Site.bOnline, Site.dCheckInTime, SiteOfUser.nUserID, SiteOfUser.nSiteID, "
    "SiteOfUser.strCameraAuthority FROM Site LEFT JOIN (SELECT * FROM UserSite WHERE "
    "nUserID = :usr) AS SiteOfUser ON Site.nID = SiteOfUser.nSiteID ";

// The columns of the joined UserSite row, after the seven Site columns.
constexpr std::size_t kJoinedUserColumn = 7;
constexpr std::size_t kJoinedSiteColumn = 8;
constexpr std::size_t kJoinedAuthorityColumn = 9;

}  // namespace

void CRecordsetSiteJoinUserSite::OpenForUser(std::int32_t userId) {
  Open(userId, std::nullopt, "ORDER BY Site.strIP, Site.nInstanceID, Site.strSiteName, Site.nID");
}

void CRecordsetSiteJoinUserSite::OpenForUserAtSite(std::int32_t userId, const std::string& ip) {
  Open(userId, ip, "WHERE Site.strIP = :ip AND Site.nInstanceID = -1 ORDER BY Site.nID");
}

void CRecordsetSiteJoinUserSite::OpenForUserAtHost(std::int32_t userId, const std::string& ip) {
  Open(userId, ip, "WHERE Site.strIP = :ip ORDER BY Site.nInstanceID, Site.nID");
}

void CRecordsetSiteJoinUserSite::Open(std::int32_t userId, std::optional<std::string> ip,
                                      const char* tail) {
  userId_ = userId;
  ip_ = std::move(ip);
  tail_ = tail;
  Load();
}

void CRecordsetSiteJoinUserSite::Requery() {
  if (open_) Load();
}

void CRecordsetSiteJoinUserSite::Load() {
  std::vector<SiteJoinUserSiteRow> rows;
  SiteJoinUserSiteRow row;
  std::int32_t joinedUser = 0;
  std::int32_t joinedSite = 0;
  std::string cameraAuthority;
  BoundStatement query(session_, std::string(kSelectJoin) + tail_);
  query.Into(row.nID).Into(row.strIP).Into(row.strSiteName).Into(row.nInstanceID);
  query.Into(row.nWebServerPort).Into(row.bOnline).Into(row.dCheckInTime);
  query.Into(joinedUser).Into(joinedSite).Into(cameraAuthority);
  query.Use(userId_);
  if (ip_) query.Use(*ip_);
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
  position_ = 0;
  open_ = true;
}

void CRecordsetSiteJoinUserSite::Close() {
  rows_.clear();
  position_ = 0;
  open_ = false;
}

void CRecordsetSiteJoinUserSite::MoveNext() {
  if (position_ < Size()) ++position_;
}

void CRecordsetSiteJoinUserSite::MovePrev() {
  if (position_ >= 0) --position_;
}

const SiteJoinUserSiteRow& CRecordsetSiteJoinUserSite::Current() const {
  if (IsBOF() || IsEOF()) throw std::out_of_range("record set has no current row");
  return rows_[static_cast<std::size_t>(position_)];
}

}  // namespace orlentis
