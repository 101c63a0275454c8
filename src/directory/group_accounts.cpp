#include "directory/group_accounts.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

#include "access/roles.h"
#include "base/text_ids.h"
#include "directory/account_fields.h"
#include "directory/account_log.h"
#include "store/database_guard.h"
#include "store/group_table.h"
#include "store/transaction.h"
#include "store/user_site_table.h"
#include "store/user_table.h"

namespace orlentis {
namespace {

using Refusal = AccountRefusal;

std::vector<GroupEntry> Entries(soci::session& session, const GroupTable& groups) {
  UserTable users(session);
  users.OpenAll();
  std::map<std::int32_t, std::int32_t> members;
  for (const UserRow& user : users.Rows()) ++members[user.nGroupID];
  std::vector<GroupEntry> entries;
  for (const GroupRow& group : groups.Rows()) {
    entries.push_back({group.nID, group.strName, group.nLevel,
                       static_cast<std::uint32_t>(group.bsAuthority), members[group.nID]});
  }
  return entries;
}

// Gives the groups of the set (opened by level) the levels 0 to n-1 in the order of ids.
void WriteLevels(GroupTable& groups, const std::vector<std::int32_t>& ids) {
  for (groups.MoveFirst(); !groups.IsEOF(); groups.MoveNext()) {
    const auto level = static_cast<std::int32_t>(
        std::find(ids.begin(), ids.end(), groups.Current().nID) - ids.begin());
    if (groups.Current().nLevel == level) continue;
    groups.Edit().nLevel = level;
    groups.Update();
  }
}

std::vector<std::int32_t> IdsByLevel(const GroupTable& groups) {
  std::vector<std::int32_t> ids;
  for (const GroupRow& group : groups.Rows()) ids.push_back(group.nID);
  return ids;
}

void Renumber(GroupTable& groups) {
  groups.OpenByLevel();
  WriteLevels(groups, IdsByLevel(groups));
  groups.Requery();
}

GroupListing RenumberAndList(soci::session& session) {
  Transaction transaction(session);
  GroupTable groups(session);
  Renumber(groups);
  transaction.Commit();
  return {AccountVerdict::Done(), Entries(session, groups)};
}

AccountVerdict InsertGroup(soci::session& session, const std::string& name, std::uint32_t authority,
                           std::string_view logSource) {
  Transaction transaction(session);
  GroupTable named(session);
  named.OpenByName(name);
  if (!named.IsEOF()) return AccountVerdict::Refused(Refusal::kGroupExists, kTextGroupExists, name);
  GroupTable groups(session);
  Renumber(groups);
  GroupRow& row = groups.AddNew();
  row.strName = name;
  row.nLevel = static_cast<std::int32_t>(groups.Count());
  row.bsAuthority = static_cast<std::int32_t>(authority & kAuthorityAll);
  groups.Update();
  LogAccountChange(session, logSource, AccountChange::kGroupAdded, name, "rights");
  transaction.Commit();
  return AccountVerdict::Done();
}

// The group's users keep only the rights the group has.
void NarrowMembers(soci::session& session, std::int32_t groupId, std::int32_t authority) {
  UserTable users(session);
  users.OpenByGroup(groupId);
  for (; !users.IsEOF(); users.MoveNext()) {
    const std::int32_t narrowed = users.Current().bsAuthority & authority;
    if (narrowed == users.Current().bsAuthority) continue;
    users.Edit().bsAuthority = narrowed;
    users.Update();
  }
}

bool WriteAuthority(soci::session& session, const std::string& name, std::uint32_t authority,
                    std::string_view logSource) {
  Transaction transaction(session);
  GroupTable groups(session);
  groups.OpenByName(name);
  if (groups.IsEOF()) return false;
  const auto stored = static_cast<std::int32_t>(authority & kAuthorityAll);
  groups.Edit().bsAuthority = stored;
  groups.Update();
  NarrowMembers(session, groups.Current().nID, stored);
  LogAccountChange(session, logSource, AccountChange::kGroupChanged, name, "rights");
  transaction.Commit();
  return true;
}

bool EraseGroup(soci::session& session, const std::string& name, std::string_view logSource) {
  Transaction transaction(session);
  GroupTable groups(session);
  groups.OpenByName(name);
  if (groups.IsEOF()) return false;
  const std::int32_t groupId = groups.Current().nID;
  groups.Delete();
  UserTable users(session);
  users.OpenByGroup(groupId);
  while (!users.IsEOF()) {
    UserSiteTable::DeleteForUser(session, users.Current().nID);
    users.Delete();
  }
  LogAccountChange(session, logSource, AccountChange::kGroupDeleted, name);
  transaction.Commit();
  return true;
}

AccountVerdict Exchange(soci::session& session, const std::string& name, int step) {
  Transaction transaction(session);
  GroupTable named(session);
  named.OpenByName(name);
  if (named.IsEOF()) return AccountVerdict::Refused(Refusal::kNotFound);
  GroupTable groups(session);
  groups.OpenByLevel();
  std::vector<std::int32_t> ids = IdsByLevel(groups);
  const auto position = std::find(ids.begin(), ids.end(), named.Current().nID) - ids.begin();
  if (position == static_cast<std::ptrdiff_t>(ids.size())) {
    return AccountVerdict::Refused(Refusal::kNotFound);
  }
  const auto other = position + step;
  const bool upPastSecond = step < 0 && position < 2;
  if (upPastSecond || other < 0 || other >= static_cast<std::ptrdiff_t>(ids.size())) {
    return AccountVerdict::Refused(Refusal::kCannotMove);
  }
  const auto& rows = groups.Rows();
  if (IsRoleName(rows[static_cast<std::size_t>(position)].strName) &&
      IsRoleName(rows[static_cast<std::size_t>(other)].strName)) {
    return AccountVerdict::Refused(Refusal::kDefaultGroupsKeepOrder);
  }
  std::swap(ids[static_cast<std::size_t>(position)], ids[static_cast<std::size_t>(other)]);
  WriteLevels(groups, ids);
  transaction.Commit();
  return AccountVerdict::Done();
}

// The right comes first: whoever lacks it learns nothing of the groups, not even that a name
// was missing.
std::optional<AccountVerdict> RefuseWithoutRight(const Asker& asker) {
  if (asker.MaySetGroups()) return std::nullopt;
  return AccountVerdict::Refused(Refusal::kNoGroupSettingRight, kTextNoGroupSettingRight);
}

AccountVerdict Move(const std::string& name, int step, const Asker& asker) {
  if (auto refused = RefuseWithoutRight(asker)) return *refused;
  if (name.empty()) return AccountVerdict::Refused(Refusal::kNothingSelected);
  const auto moved =
      RunGuardedFor([&](soci::session& session) { return Exchange(session, name, step); });
  return moved.Done() ? *moved.value : AccountVerdict::FromOutcome(moved.outcome);
}

// Modify and Delete pass by a missing selection and the default groups without a word.
std::optional<AccountVerdict> RefuseChange(const std::string& name, const Asker& asker) {
  if (auto refused = RefuseWithoutRight(asker)) return refused;
  if (name.empty()) return AccountVerdict::Refused(Refusal::kNothingSelected);
  if (IsRoleName(name)) return AccountVerdict::Refused(Refusal::kProtected);
  return std::nullopt;
}

AccountVerdict Changed(const DbResult<bool>& result) {
  if (!result.Done()) return AccountVerdict::FromOutcome(result.outcome);
  if (!*result.value) return AccountVerdict::Refused(Refusal::kNotFound);
  return AccountVerdict::Done();
}

}  // namespace

DbResult<std::vector<GroupEntry>> ListGroups() {
  return RunGuardedFor([](soci::session& session) {
    GroupTable groups(session);
    groups.OpenByLevel();
    return Entries(session, groups);
  });
}

GroupListing RenumberGroups(const Asker& asker) {
  if (auto refused = RefuseWithoutRight(asker)) return {*refused, {}};
  const auto listed =
      RunGuardedFor([](soci::session& session) { return RenumberAndList(session); });
  if (!listed.Done()) return {AccountVerdict::FromOutcome(listed.outcome), {}};
  return *listed.value;
}

AccountVerdict AddGroup(const std::string& name, std::uint32_t authority, const Asker& asker) {
  if (auto refused = RefuseWithoutRight(asker)) return *refused;
  const std::string clipped = ClipCharacters(name, kMaxAccountNameCharacters);
  if (clipped.empty()) return AccountVerdict::Refused(Refusal::kNoGroupName, kTextNoGroupName);
  const auto added = RunGuardedFor([&](soci::session& session) {
    return InsertGroup(session, clipped, authority, asker.LogSource());
  });
  if (!added.Done()) return AccountVerdict::FromOutcome(added.outcome);
  return *added.value;
}

AccountVerdict ModifyGroup(const std::string& name, std::uint32_t authority, const Asker& asker) {
  if (auto refused = RefuseChange(name, asker)) return *refused;
  const auto written = RunGuardedFor([&](soci::session& session) {
    return WriteAuthority(session, name, authority, asker.LogSource());
  });
  return Changed(written);
}

AccountVerdict DeleteGroup(const std::string& name, const Asker& asker) {
  if (auto refused = RefuseChange(name, asker)) return *refused;
  const auto erased = RunGuardedFor(
      [&](soci::session& session) { return EraseGroup(session, name, asker.LogSource()); });
  return Changed(erased);
}

AccountVerdict MoveGroupUp(const std::string& name, const Asker& asker) {
  return Move(name, -1, asker);
}

AccountVerdict MoveGroupDown(const std::string& name, const Asker& asker) {
  return Move(name, +1, asker);
}

}  // namespace orlentis
