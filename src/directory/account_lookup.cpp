#include "directory/account_lookup.h"

#include "access/roles.h"
#include "base/server_metrics.h"
#include "directory/answers_from_memory.h"
#include "directory/login_cache.h"
#include "directory/remembered_logins.h"
#include "store/database_error.h"
#include "store/database_guard.h"
#include "store/database_maintenance.h"
#include "store/group_table.h"
#include "store/login_reads.h"
#include "store/site_permission_join.h"
#include "store/transaction.h"
#include "store/user_table.h"

namespace orlentis {
namespace {

constexpr std::uint32_t kEveryCamera = 0xFFFF;
// A host entry carries the first characters of the camera-authority text only.
constexpr std::size_t kHostCameraAuthority = 64;

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
    permissions.push_back(
        {row.nInstanceID, row.strCameraAuthority->substr(0, kHostCameraAuthority)});
  }
  return permissions;
}

thread_local LoginCache<SiteLoginRead> siteLogins;
thread_local LoginCache<HostLoginRead> hostLogins;
RememberedLogins<SiteLoginRead> rememberedSiteLogins;
RememberedLogins<HostLoginRead> rememberedHostLogins;

// The version is read before the directory: a change after it makes for a newer version, under
// which what was read here is never found.
template <class Read, class ReadLogin>
std::optional<Read> CachedRead(LoginCache<Read>& cache, RememberedLogins<Read>& remembered,
                               soci::session& session, const std::string& name,
                               const std::string& passwordDigest, const std::string& peerAddress,
                               ReadLogin readLogin) {
  const std::optional<DirectoryVersion> version = CurrentDirectoryVersion();
  const std::string key = LoginCacheKey(name, passwordDigest, peerAddress);
  if (version) {
    if (const auto* kept = cache.Find(key, *version)) return *kept;
  }
  std::optional<Read> read = readLogin(session, name, passwordDigest, peerAddress);
  if (version) {
    cache.Keep(key, *version, read);
    if (read) remembered.Keep(key, *version, *read);
  }
  return read;
}

// The look-ups by step fill facts one step after the other, so that a database error keeps
// what the steps before it found. The user, the group and the permissions are read as they
// stood together.
void FillAccountLoginByStep(soci::session& session, const std::string& name,
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

void FillHostLoginByStep(soci::session& session, const std::string& name,
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

void FillAccountFacts(const std::string& name, const SiteLoginRead& read,
                      AccountLoginFacts& facts) {
  facts.userFound = true;
  facts.cameraMask = IsAdministratorName(name) ? kEveryCamera
                     : read.cameraAuthority    ? CameraMask16(*read.cameraAuthority)
                                               : 0;
  facts.authority = static_cast<std::uint32_t>(read.userAuthority);
  if (read.groupName) {
    facts.groupFound = true;
    facts.groupName = *read.groupName;
    facts.level = read.groupLevel;
  }
}

void FillHostFacts(const std::string& name, const HostLoginRead& read, HostLoginFacts& facts) {
  facts.succeeded = true;
  facts.userName = read.userName;
  facts.groupName = read.groupName;
  facts.authority = EffectiveAuthority(static_cast<std::uint32_t>(read.userAuthority),
                                       static_cast<std::uint32_t>(read.groupAuthority));
  // The administrator is never narrowed to instances.
  if (IsAdministratorName(name)) return;
  for (const auto& permitted : read.instances) {
    facts.instances.push_back(
        {permitted.instance, permitted.cameraAuthority.substr(0, kHostCameraAuthority)});
  }
}

// A login is read in one statement, which a network database answers in one round trip. Should
// that fail, the steps are taken one by one, so that what they find before the failing one
// still stands, as in a reply filled as far as the steps got.
void FillAccountLogin(soci::session& session, const std::string& name,
                      const std::string& passwordDigest, const std::string& peerAddress,
                      AccountLoginFacts& facts) {
  std::optional<SiteLoginRead> read;
  try {
    read = CachedRead(siteLogins, rememberedSiteLogins, session, name, passwordDigest, peerAddress,
                      ReadSiteLogin);
  } catch (const DatabaseError&) {
    FillAccountLoginByStep(session, name, passwordDigest, peerAddress, facts);
    return;
  }
  if (read) FillAccountFacts(name, *read, facts);
}

void FillHostLogin(soci::session& session, const std::string& name,
                   const std::string& passwordDigest, const std::string& peerAddress,
                   HostLoginFacts& facts) {
  std::optional<HostLoginRead> read;
  try {
    read = CachedRead(hostLogins, rememberedHostLogins, session, name, passwordDigest, peerAddress,
                      ReadHostLogin);
  } catch (const DatabaseError&) {
    FillHostLoginByStep(session, name, passwordDigest, peerAddress, facts);
    return;
  }
  if (read) FillHostFacts(name, *read, facts);
}

template <class Facts, class Read, class Fill>
std::optional<Facts> KeptAt(const DirectoryVersion& version,
                            const RememberedLogins<Read>& remembered, const std::string& name,
                            const std::string& passwordDigest, const std::string& peerAddress,
                            Fill fill) {
  const auto read = remembered.Find(LoginCacheKey(name, passwordDigest, peerAddress), version);
  if (!read) return std::nullopt;
  Facts facts;
  facts.answered = true;
  fill(name, *read, facts);
  return facts;
}

template <class Facts, class Read, class Fill>
std::optional<Facts> Remembered(const RememberedLogins<Read>& remembered, const std::string& name,
                                const std::string& passwordDigest, const std::string& peerAddress,
                                Fill fill) {
  const std::optional<DirectoryVersion> lastVersion = DirectoryVersionWatch::Instance().LastKnown();
  if (!DirectoryAnsweredFromMemory() || !lastVersion) return std::nullopt;
  return KeptAt<Facts>(*lastVersion, remembered, name, passwordDigest, peerAddress, fill);
}

// While the database can be used, at the version that every thread knows to hold.
template <class Facts, class Read, class Fill>
std::optional<Facts> Current(const RememberedLogins<Read>& remembered, const std::string& name,
                             const std::string& passwordDigest, const std::string& peerAddress,
                             Fill fill) {
  const std::optional<DirectoryVersion> version = SharedDirectoryVersion();
  if (!version || DatabaseMaintenance::Instance().IsUnavailable()) return std::nullopt;
  auto facts = KeptAt<Facts>(*version, remembered, name, passwordDigest, peerAddress, fill);
  if (facts) Metrics().cacheHits.Add();
  return facts;
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
  facts.answered = RunGuarded([&](soci::session& session) {
                     FillAccountLogin(session, name, passwordDigest, peerAddress, facts);
                   }) == DbOutcome::kDone;
  return facts;
}

HostLoginFacts LookUpHostLogin(const std::string& name, const std::string& passwordDigest,
                               const std::string& peerAddress) {
  HostLoginFacts facts;
  facts.answered = RunGuarded([&](soci::session& session) {
                     FillHostLogin(session, name, passwordDigest, peerAddress, facts);
                   }) == DbOutcome::kDone;
  return facts;
}

std::optional<AccountLoginFacts> CurrentAccountLogin(const std::string& name,
                                                     const std::string& passwordDigest,
                                                     const std::string& peerAddress) {
  return Current<AccountLoginFacts>(rememberedSiteLogins, name, passwordDigest, peerAddress,
                                    FillAccountFacts);
}

std::optional<HostLoginFacts> CurrentHostLogin(const std::string& name,
                                               const std::string& passwordDigest,
                                               const std::string& peerAddress) {
  return Current<HostLoginFacts>(rememberedHostLogins, name, passwordDigest, peerAddress,
                                 FillHostFacts);
}

std::optional<AccountLoginFacts> RememberedAccountLogin(const std::string& name,
                                                        const std::string& passwordDigest,
                                                        const std::string& peerAddress) {
  return Remembered<AccountLoginFacts>(rememberedSiteLogins, name, passwordDigest, peerAddress,
                                       FillAccountFacts);
}

std::optional<HostLoginFacts> RememberedHostLogin(const std::string& name,
                                                  const std::string& passwordDigest,
                                                  const std::string& peerAddress) {
  return Remembered<HostLoginFacts>(rememberedHostLogins, name, passwordDigest, peerAddress,
                                    FillHostFacts);
}

DbResult<std::optional<std::int32_t>> LookUpUserGroupId(const std::string& name,
                                                        const std::string& passwordDigest) {
  return RunGuardedFor([&](soci::session& session) -> std::optional<std::int32_t> {
    const auto user = FindUser(session, name, passwordDigest);
    if (!user) return std::nullopt;
    return user->nGroupID;
  });
}

DbResult<std::vector<GroupSummary>> ListGroupsByLevel() {
  return RunGuardedFor(ReadGroupsByLevel);
}

}  // namespace orlentis
