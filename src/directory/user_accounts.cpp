#include "directory/user_accounts.h"

#include <map>
#include <optional>
#include <string>
#include <utility>

#include "access/roles.h"
#include "base/text_ids.h"
#include "directory/account_fields.h"
#include "directory/account_log.h"
#include "directory/code_page_password.h"
#include "store/database_guard.h"
#include "store/group_table.h"
#include "store/site_table.h"
#include "store/transaction.h"
#include "store/user_site_table.h"
#include "store/user_table.h"

namespace orlentis {
namespace {

using Refusal = AccountRefusal;

UserListing ReadListing(soci::session& session) {
  GroupTable groups(session);
  groups.OpenByLevel();
  std::map<std::int32_t, std::string> groupNames;
  for (const GroupRow& group : groups.Rows()) groupNames.emplace(group.nID, group.strName);

  UserTable users(session);
  users.OpenAll();
  UserListing listing;
  listing.totalUsers = users.Count();
  for (const UserRow& user : users.Rows()) {
    const auto group = groupNames.find(user.nGroupID);
    if (group == groupNames.end()) continue;
    listing.users.push_back({user.strName, group->second, user.strDescription});
  }
  return listing;
}

UserReading ReadOneUser(soci::session& session, const std::string& name) {
  UserTable users(session);
  users.OpenByName(name);
  if (users.IsEOF()) return {AccountVerdict::Refused(Refusal::kNotFound), {}};
  const UserRow& row = users.Current();
  UserAccount user{row.nID,
                   row.nGroupID,
                   ClipCharacters(row.strName, kMaxAccountNameCharacters),
                   ClipCharacters(row.strDescription, kMaxDescriptionCharacters),
                   static_cast<std::uint32_t>(row.bsAuthority),
                   {}};
  UserSiteTable permissions(session);
  permissions.OpenByUser(row.nID);
  std::map<std::int32_t, std::string> bySite;
  for (const UserSiteRow& permission : permissions.Rows()) {
    bySite.emplace(permission.nSiteID, permission.strCameraAuthority);
  }
  for (auto& [siteId, cameraAuthority] : bySite)
    user.siteRights.push_back({siteId, cameraAuthority});
  return {AccountVerdict::Done(), std::move(user)};
}

// The checks of OK that need no database, after those that do.
std::optional<AccountVerdict> CheckFields(const UserForm& form, const std::string& name) {
  if (name.empty()) return AccountVerdict::Refused(Refusal::kNoUserName, kTextNoUserName);
  if (form.password != form.confirmation) {
    return AccountVerdict::Refused(Refusal::kPasswordsDiffer, kTextPasswordsDiffer);
  }
  if (form.password.empty()) {
    return AccountVerdict::Refused(Refusal::kBlankPassword, kTextBlankPassword);
  }
  return std::nullopt;
}

// A camera-authority text as stored: 64 characters, '1' where the form has '1', else '0'.
std::string StoredCameraAuthority(const std::string& text) {
  std::string stored(kCameraAuthorityAllDenied);
  for (std::size_t at = 0; at < stored.size() && at < text.size(); ++at) {
    if (text[at] == '1') stored[at] = '1';
  }
  return stored;
}

// Only sites the tree lists get permissions.
bool IsListedSite(soci::session& session, std::int32_t siteId) {
  SiteTable sites(session);
  sites.OpenById(siteId);
  return !sites.IsEOF() && sites.Current().nInstanceID < kFirstUnlistedInstance;
}

// True when a permission was added or changed.
bool WriteSiteRights(soci::session& session, std::int32_t userId, bool locked,
                     const std::vector<SiteRight>& rights) {
  bool changed = false;
  for (const SiteRight& right : rights) {
    if (!IsListedSite(session, right.siteId)) continue;
    UserSiteTable permission(session);
    permission.OpenByUserAndSite(userId, right.siteId);
    if (locked && !permission.IsEOF()) continue;
    const std::optional<std::string> before =
        permission.IsEOF() ? std::nullopt
                           : std::optional<std::string>(permission.Current().strCameraAuthority);
    UserSiteRow& row = permission.IsEOF() ? permission.AddNew() : permission.Edit();
    row.nUserID = userId;
    row.nSiteID = right.siteId;
    row.strCameraAuthority = locked ? std::string(kCameraAuthorityAllPermitted)
                                    : StoredCameraAuthority(right.cameraAuthority);
    changed = changed || before != row.strCameraAuthority;
    permission.Update();
  }
  return changed;
}

// The names of the fields a save changed, for the audit trail; never a value.
std::string ChangedUserFields(const UserRow& before, const UserRow& after, bool camerasChanged) {
  const std::pair<bool, const char*> fields[] = {
      {before.strPassword != after.strPassword, "password"},
      {before.nGroupID != after.nGroupID, "group"},
      {before.strDescription != after.strDescription, "description"},
      {before.bsAuthority != after.bsAuthority, "rights"},
      {camerasChanged, "cameras"}};
  std::string changed;
  for (const auto& [differs, name] : fields) {
    if (!differs) continue;
    if (!changed.empty()) changed += ", ";
    changed += name;
  }
  return changed;
}

AccountVerdict WriteUser(soci::session& session, const UserForm& form, const std::string& name,
                         std::string_view logSource) {
  Transaction transaction(session);
  GroupTable groups(session);
  groups.OpenById(form.group->id);
  if (groups.IsEOF()) {
    return AccountVerdict::Refused(Refusal::kGroupGone, kTextGroupGone, form.group->name);
  }
  const bool adding = form.mode == UserFormMode::kAdd;
  UserTable users(session);
  users.OpenByName(name);
  if (adding && !users.IsEOF()) {
    return AccountVerdict::Refused(Refusal::kUserExists, kTextUserExists, name);
  }
  if (auto refused = CheckFields(form, name)) return *refused;
  // A new user has no stored password to keep: the placeholder typed there is a password.
  std::optional<std::string> digest;
  if (adding || form.password != kPasswordPlaceholder) {
    digest = CodePagePasswordDigest(form.password);
    if (!digest) {
      return AccountVerdict::Refused(Refusal::kPasswordOutsideCodePage,
                                     kTextPasswordOutsideCodePage);
    }
  }
  if (!adding && users.IsEOF()) return AccountVerdict::Refused(Refusal::kNotFound);

  const bool locked = !adding && IsAdministratorName(name);
  const UserRow before = adding ? UserRow{} : users.Current();
  UserRow& row = adding ? users.AddNew() : users.Edit();
  if (adding) {
    row.strName = name;
    row.strPassword = *digest;
  } else if (digest) {
    row.strPassword = *digest;
  }
  if (!locked) row.nGroupID = form.group->id;
  row.strDescription = ClipCharacters(form.description, kMaxDescriptionCharacters);
  row.bsAuthority = static_cast<std::int32_t>(form.authority & kAuthorityAll);
  const UserRow after = row;
  users.Update();
  const bool camerasChanged =
      WriteSiteRights(session, users.Current().nID, locked, form.siteRights);
  LogAccountChange(session, logSource,
                   adding ? AccountChange::kUserAdded : AccountChange::kUserChanged, name,
                   ChangedUserFields(before, after, camerasChanged));
  transaction.Commit();
  return AccountVerdict::Done();
}

bool EraseUser(soci::session& session, const std::string& name, std::string_view logSource) {
  Transaction transaction(session);
  UserTable users(session);
  users.OpenByName(name);
  if (users.IsEOF()) return false;
  UserSiteTable::DeleteForUser(session, users.Current().nID);
  users.Delete();
  LogAccountChange(session, logSource, AccountChange::kUserDeleted, name);
  transaction.Commit();
  return true;
}

}  // namespace

DbResult<UserListing> ListUsers() {
  return RunGuardedFor([](soci::session& session) { return ReadListing(session); });
}

UserReading ReadUser(const std::string& name) {
  if (name.empty()) {
    return {AccountVerdict::Refused(Refusal::kNothingSelected, kTextNothingSelected), {}};
  }
  const auto read =
      RunGuardedFor([&](soci::session& session) { return ReadOneUser(session, name); });
  if (!read.Done()) return {AccountVerdict::FromOutcome(read.outcome), {}};
  return *read.value;
}

AccountVerdict SaveUser(const UserForm& form, std::string_view logSource) {
  if (!form.group) return AccountVerdict::Refused(Refusal::kNoGroupChosen, kTextNoGroupChosen);
  const std::string name = ClipCharacters(form.name, kMaxAccountNameCharacters);
  const auto written = RunGuardedFor(
      [&](soci::session& session) { return WriteUser(session, form, name, logSource); });
  if (!written.Done()) return AccountVerdict::FromOutcome(written.outcome);
  return *written.value;
}

AccountVerdict DeleteUser(const std::string& name, std::string_view logSource) {
  if (name.empty()) {
    return AccountVerdict::Refused(Refusal::kNothingSelected, kTextNothingSelected);
  }
  if (IsAdministratorName(name)) return AccountVerdict::Refused(Refusal::kProtected);
  const auto erased =
      RunGuardedFor([&](soci::session& session) { return EraseUser(session, name, logSource); });
  if (!erased.Done()) return AccountVerdict::FromOutcome(erased.outcome);
  if (!*erased.value) return AccountVerdict::Refused(Refusal::kNotFound);
  return AccountVerdict::Done();
}

}  // namespace orlentis
