#pragma once

#include <cstdint>
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
// the console user and a "Login" entry is written. Returns 1 on success, else 0, without
// saying why.
int ConsoleLogin(std::string_view name, std::string_view password, ConsoleUser& user);

}  // namespace orlentis
