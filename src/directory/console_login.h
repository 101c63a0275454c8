#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orlentis {

// Who opened the console: what the console's own checks read.
struct ConsoleUser {
  std::uint32_t effectiveAuthority = 0;  // user AND group; 0 without a group row
  std::string groupName;                 // at most 63 characters
};

// The console login: the password against the stored digest, then, when the domain logon is
// on and the user is not the administrator, the domain. On success the user is recorded in
// the console user and a "Login" entry is written. Gives back who logged in, or nothing,
// without saying why. After [SECURITY] LOGINFAILURES failed logins for one name within
// LOGINWINDOW seconds, that name's logins fail at once for LOGINCOOLDOWN seconds.
std::optional<ConsoleUser> ConsoleLogin(std::string_view name, std::string_view password);

// The program is closed by the user who passed the close login, named as typed: its one
// event-log entry. True when it was written.
bool LogProgramClosed(std::string_view name);

}  // namespace orlentis
