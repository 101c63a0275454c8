#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "directory/account_verdict.h"
#include "directory/permission_tree.h"
#include "store/db_outcome.h"

namespace orlentis {

// The users of the directory as the Account page, the user dialog and an administration tool
// change them. Each function is one guarded database operation on the calling thread's
// session; texts are UTF-8. A change writes its event-log entry with logSource as the source
// (ConsoleLogSource() for the console).

struct UserListEntry {
  std::string name;
  std::string groupName;
  std::string description;
};

struct UserListing {
  std::vector<UserListEntry> users;  // in table order; users whose group is gone are left out
  std::size_t totalUsers = 0;        // every user, listed or not
};

DbResult<UserListing> ListUsers();

struct UserAccount {
  std::int32_t id = -1;
  std::int32_t groupId = 0;
  std::string name;
  std::string description;
  std::uint32_t authority = 0;
  std::vector<SiteRight> siteRights;  // the permissions stored for the user, by site id
};

struct UserReading {
  AccountVerdict verdict;
  UserAccount user;  // filled when the verdict is done
};

// The user of that name (ignoring case). An empty name is refused with kTextNothingSelected; a name
// without a user silently.
UserReading ReadUser(const std::string& name);

// What the user dialog hands over on OK.
enum class UserFormMode { kAdd, kModify };

// The password a modified user's dialog shows in place of the stored one: given back
// unchanged it keeps the stored digest. A new user has none to keep, so there it is a
// password like any other.
inline constexpr std::string_view kPasswordPlaceholder = "********";

struct GroupChoice {
  std::int32_t id = 0;
  std::string name;  // as the group list showed it
};

struct UserForm {
  UserFormMode mode = UserFormMode::kAdd;
  std::string name;                  // a modified user is found by it; names never change
  std::optional<GroupChoice> group;  // none chosen
  std::string password;
  std::string confirmation;
  std::string description;
  std::uint32_t authority = 0;
  std::vector<SiteRight> siteRights;  // one per listed site, in tree order
};

// The user dialog's OK. The checks run in this order, each refusing with its text: no group
// chosen (kTextNoGroupChosen), the group gone (kTextGroupGone), adding a name that exists
// (kTextUserExists), no name (kTextNoUserName), the passwords differ (kTextPasswordsDiffer), no
// password (kTextBlankPassword), a new password the code page cannot hold
// (kTextPasswordOutsideCodePage). Then the User row is added or changed (a new password stored as
// the digest of its bytes in the code page) and every listed site gets its UserSite row, all in one
// transaction, and the entry kTextAddUserAction (added) or kTextModifyUser (modified) is logged.
// The administrator account keeps its group and its stored camera permissions; a site without one
// gets every camera. A modified user that no longer exists is refused silently.
AccountVerdict SaveUser(const UserForm& form, std::string_view logSource);

// Deletes the user with its UserSite rows and logs entry kTextDeleteUser. An empty name is refused
// with kTextNothingSelected; the administrator account (in any letter case) and a name without a
// user are refused silently.
AccountVerdict DeleteUser(const std::string& name, std::string_view logSource);

}  // namespace orlentis
