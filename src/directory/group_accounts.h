#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "directory/account_verdict.h"
#include "directory/asker.h"
#include "store/db_outcome.h"

namespace orlentis {

// The user groups as the Account page, the group dialogs and an administration tool change
// them. Each function is one guarded database operation on the calling thread's session;
// names are UTF-8 and compare ignoring case. Only an asker with the Group setting right
// changes the groups: anyone else is refused with kTextNoGroupSettingRight, before anything is
// read. A change writes its event-log entry with the asker's log source. The four default groups,
// named after the roles, can be neither modified nor deleted: such a change is refused silently, as
// is a change that names no group.

struct GroupEntry {
  std::int32_t id = 0;
  std::string name;
  std::int32_t level = 0;  // the group's position in every list
  std::uint32_t authority = 0;
  std::int32_t userCount = 0;
};

// Every group by level, as stored. Anyone may read them.
DbResult<std::vector<GroupEntry>> ListGroups();

struct GroupListing {
  AccountVerdict verdict;
  std::vector<GroupEntry> groups;  // filled when the verdict is done
};
// The groups by level after giving them the levels 0 to n-1 in their order (the group list
// dialog's every fill), in one transaction.
GroupListing RenumberGroups(const Asker& asker);

// A new group comes last. Refused with kTextNoGroupName without a name, kTextGroupExists when a
// group of that name exists. Logs entry kTextAddGroup.
AccountVerdict AddGroup(const std::string& name, std::uint32_t authority, const Asker& asker);
// Sets the group's authority and takes from its users every right the group no longer has
// (rights it gains are not given to them), in one transaction. Logs entry kTextModifyGroup.
AccountVerdict ModifyGroup(const std::string& name, std::uint32_t authority, const Asker& asker);
// Deletes the group, its users and their UserSite rows in one transaction. Logs entry
// kTextDeleteGroup.
AccountVerdict DeleteGroup(const std::string& name, const Asker& asker);

// Exchange the group with the one above or below it. The groups at positions 0 and 1 cannot
// move up, the last cannot move down, and two default groups never change places; each is
// refused silently. The groups keep levels 0 to n-1.
AccountVerdict MoveGroupUp(const std::string& name, const Asker& asker);
AccountVerdict MoveGroupDown(const std::string& name, const Asker& asker);

}  // namespace orlentis
