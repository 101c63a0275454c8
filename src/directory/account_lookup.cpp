#include "directory/account_lookup.h"

#include "access/roles.h"
#include "store/database_guard.h"
#include "store/group_table.h"
#include "store/site_permission_join.h"
#include "store/transaction.h"
#include "store/user_table.h"

namespace orlentis {
namespace {

constexpr std::uint32_t kEveryCamera = 0xFFFF;

std::optional<UserRow> FindUser(soci::session& session, const std::string& name,
                                const std::string& passwordDigest) {
  UserTable users(session);
  users.OpenByNameAndPassword(name, passwordDigest);
  if (users.IsEOF()) return std::nullopt;
  return users.Current();
}

std::optional<GroupRow> FindGroup(soci::session& session, std::int32_t groupId) {
  GroupTable groups(session);
  groups.OpenById(groupId);
  if (groups.IsEOF()) return std::nullopt;
  return groups.Current();
}

std::uint32_t SiteCameraMask(soci::session& session, std::int32_t userId,
                             const std::string& peerAddress) {
  SitePermissionJoin sites(session);
  sites.OpenFirstForUserAtSite(userId, peerAddress);
  if (sites.IsEOF() || sites.Current().IsCameraAuthorityNull()) return 0;
  return CameraMask16(*sites.Current().strCameraAuthority);
}

std::vector<HostSitePermission> HostPermissions(soci::session& session, std::int32_t userId,
                                                const std::string& peerAddress) {
  std::vector<HostSitePermission> permissions;
  SitePermissionJoin sites(session);
  sites.OpenPermittedForUserAtHost(userId, peerAddress);
  for (const auto& row : sites.Rows()) {
    permissions.push_back({row.nInstanceID, row.strCameraAuthority->substr(0, 64)});
  }
  return permissions;
}

// The look-ups fill facts step by step, so that a database error keeps what the steps before
// it found. The user, the group and the permissions are read as they stood together.
void ReadAccountLogin(soci::session& session, const std::string& name,
                      const std::string& passwordDigest, const std::string& peerAddress,
                      AccountLoginFacts& facts) {
  const ReadSnapshot snapshot(session);
  const auto user = FindUser(session, name, passwordDigest);
  if (!user) return;
  facts.userFound = true;
  facts.cameraMask =
      IsAdministratorName(name) ? kEveryCamera : SiteCameraMask(session, user->nID, peerAddress);
  facts.authority = static_cast<std::uint32_t>(user->bsAuthority);
  if (const auto group = FindGroup(session, user->nGroupID)) {
    facts.groupFound = true;
    facts.groupName = group->strName;
    facts.level = group->nLevel;
  }
}

void ReadHostLogin(soci::session& session, const std::string& name,
                   const std::string& passwordDigest, const std::string& peerAddress,
                   HostLoginFacts& facts) {
  const ReadSnapshot snapshot(session);
  const auto user = FindUser(session, name, passwordDigest);
  if (!user) return;
  const auto group = FindGroup(session, user->nGroupID);
  if (!group) return;
  facts.succeeded = true;
  facts.userName = user->strName;
  facts.groupName = group->strName;
  facts.authority = EffectiveAuthority(static_cast<std::uint32_t>(user->bsAuthority),
                                       static_cast<std::uint32_t>(group->bsAuthority));
  // The administrator is never narrowed to instances.
  if (!IsAdministratorName(name))
    facts.instances = HostPermissions(session, user->nID, peerAddress);
}

std::vector<GroupSummary> ReadGroupsByLevel(soci::session& session) {
  GroupTable groups(session);
  groups.OpenByLevel();
  std::vector<GroupSummary> summaries;
  summaries.reserve(groups.Count());
  for (const GroupRow& row : groups.Rows()) {
    summaries.push_back({row.strName, row.nLevel, static_cast<std::uint32_t>(row.bsAuthority)});
  }
  return summaries;
}

}  // namespace

AccountLoginFacts LookUpAccountLogin(const std::string& name, const std::string& passwordDigest,
                                     const std::string& peerAddress) {
  AccountLoginFacts facts;
  RunGuarded([&](soci::session& session) {
    ReadAccountLogin(session, name, passwordDigest, peerAddress, facts);
  });
  return facts;
}

HostLoginFacts LookUpHostLogin(const std::string& name, const std::string& passwordDigest,
                               const std::string& peerAddress) {
  HostLoginFacts facts;
  RunGuarded([&](soci::session& session) {
    ReadHostLogin(session, name, passwordDigest, peerAddress, facts);
  });
  return facts;
}

std::optional<std::int32_t> LookUpUserGroupId(const std::string& name,
                                              const std::string& passwordDigest) {
  const auto groupId = RunGuardedFor([&](soci::session& session) -> std::optional<std::int32_t> {
    const auto user = FindUser(session, name, passwordDigest);
    if (!user) return std::nullopt;
    return user->nGroupID;
  });
  return groupId.ValueOr(std::nullopt);
}

DbResult<std::vector<GroupSummary>> ListGroupsByLevel() {
  return RunGuardedFor(ReadGroupsByLevel);
}

}  // namespace orlentis
