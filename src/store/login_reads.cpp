#include "store/login_reads.h"

#include "store/bound_statement.h"

namespace orlentis {
namespace {

// Names are unique, so at most one user matches; the lowest id stands should that ever differ.
constexpr const char* kUserByNameAndPassword =
    "WHERE u.strName = :name AND u.strPassword = :password ";

// The first record-protocol site of the address decides, whether or not the user has a row for
// it: the SiteByAddressAndInstance index yields the sites in id order.
constexpr const char* kSiteLogin =
    "SELECT u.bsAuthority, g.strName, g.nLevel, "
    "(SELECT UserSite.strCameraAuthority FROM Site LEFT JOIN UserSite ON "
    "UserSite.nUserID = u.nID AND UserSite.nSiteID = Site.nID "
    "WHERE Site.strIP = :ip AND Site.nInstanceID = -1 ORDER BY Site.nID LIMIT 1) "
    "FROM \"User\" AS u LEFT JOIN \"Group\" AS g ON g.nID = u.nGroupID ";

// The user's rows for the host's sites, found through the user's own rows: the list of the
// host's sites is made once, and no site of other users is looked at.
constexpr const char* kHostLogin =
    "SELECT u.nID, u.strName, u.bsAuthority, g.strName, g.bsAuthority, "
    "Site.nInstanceID, UserSite.strCameraAuthority "
    "FROM \"User\" AS u JOIN \"Group\" AS g ON g.nID = u.nGroupID "
    "LEFT JOIN UserSite ON UserSite.nUserID = u.nID AND UserSite.strCameraAuthority IS NOT NULL "
    "AND UserSite.nSiteID IN (SELECT nID FROM Site WHERE strIP = :ip AND nInstanceID >= 0) "
    "LEFT JOIN Site ON Site.nID = UserSite.nSiteID ";

constexpr std::size_t kGroupNameColumn = 1;
constexpr std::size_t kSiteCameraColumn = 3;
constexpr std::size_t kInstanceColumn = 5;

}  // namespace

std::optional<SiteLoginRead> ReadSiteLogin(soci::session& session, const std::string& name,
                                           const std::string& passwordDigest,
                                           const std::string& peerAddress) {
  SiteLoginRead read;
  std::string groupName;
  std::string cameraAuthority;
  BoundStatement query(session,
                       std::string(kSiteLogin) + kUserByNameAndPassword + "ORDER BY u.nID LIMIT 1");
  query.Into(read.userAuthority).Into(groupName).Into(read.groupLevel).Into(cameraAuthority);
  query.Use(peerAddress).Use(name).Use(passwordDigest);
  if (!query.Execute()) return std::nullopt;
  if (!query.IsNull(kGroupNameColumn)) read.groupName = groupName;
  if (!query.IsNull(kSiteCameraColumn)) read.cameraAuthority = cameraAuthority;
  return read;
}

std::optional<HostLoginRead> ReadHostLogin(soci::session& session, const std::string& name,
                                           const std::string& passwordDigest,
                                           const std::string& peerAddress) {
  std::optional<HostLoginRead> read;
  std::int32_t userId = 0;
  HostLoginRead row;
  PermittedInstance permitted;
  BoundStatement query(session, std::string(kHostLogin) + kUserByNameAndPassword +
                                    "ORDER BY u.nID, Site.nInstanceID, Site.nID");
  query.Into(userId).Into(row.userName).Into(row.userAuthority).Into(row.groupName);
  query.Into(row.groupAuthority).Into(permitted.instance).Into(permitted.cameraAuthority);
  query.Use(peerAddress).Use(name).Use(passwordDigest);
  std::optional<std::int32_t> firstUser;
  while (query.Fetch()) {
    if (firstUser && *firstUser != userId) continue;
    if (!firstUser) {
      firstUser = userId;
      read = row;
    }
    if (!query.IsNull(kInstanceColumn)) read->instances.push_back(permitted);
  }
  return read;
}

}  // namespace orlentis
