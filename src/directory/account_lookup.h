#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store/db_outcome.h"

namespace orlentis {

// The database side of the logins that recorders forward and of the group lists they fetch.
// Each function is one guarded database operation on the calling thread's session; names are
// UTF-8, passwords already in their stored form.

// CMD_ACCOUNT_LOGIN: what the reply carries, filled as far as the lookup got.
struct AccountLoginFacts {
  // The look-up ran to its end, so the facts are a verdict on the credentials.
  bool answered = false;
  bool userFound = false;
  bool groupFound = false;
  std::int32_t level = 0;
  std::string groupName;
  std::uint32_t cameraMask = 0;
  std::uint32_t authority = 0;  // the user's own, not combined with the group's
};
// A database error (unavailable, or failing at some step) ends a login look-up where it
// happened: the facts found before it stand, so a login that had succeeded stays one.
AccountLoginFacts LookUpAccountLogin(const std::string& name, const std::string& passwordDigest,
                                     const std::string& peerAddress);

// HOST_USER_LOGIN: the user block and the permitted instances of the host's address.
struct HostSitePermission {
  std::int32_t instance = 0;
  std::string cameraAuthority;
};
struct HostLoginFacts {
  bool answered = false;  // as above
  bool succeeded = false;
  std::string userName;  // as stored
  std::string groupName;
  std::uint32_t authority = 0;  // user AND group
  std::vector<HostSitePermission> instances;
};
HostLoginFacts LookUpHostLogin(const std::string& name, const std::string& passwordDigest,
                               const std::string& peerAddress);

// The facts of a login of an account read at the directory's version that still holds, without
// a statement and on the calling thread, so that a warm login takes no reading thread's turn:
// on PostgreSQL, while the database can be used; never on a SQLite file, whose version only a
// reading thread's session can tell.
std::optional<AccountLoginFacts> CurrentAccountLogin(const std::string& name,
                                                     const std::string& passwordDigest,
                                                     const std::string& peerAddress);
std::optional<HostLoginFacts> CurrentHostLogin(const std::string& name,
                                               const std::string& passwordDigest,
                                               const std::string& peerAddress);

// While the database cannot be used, for [DATABASE] CACHEDLOGINS seconds: the facts of a login
// of an account that this server read at the directory's last version, answered from memory
// without the database; none for any other login, or at any other time.
std::optional<AccountLoginFacts> RememberedAccountLogin(const std::string& name,
                                                        const std::string& passwordDigest,
                                                        const std::string& peerAddress);
std::optional<HostLoginFacts> RememberedHostLogin(const std::string& name,
                                                  const std::string& passwordDigest,
                                                  const std::string& peerAddress);

// CMD_USER_LOGIN: the user's group id, when name and password match; done when the database
// could be read.
DbResult<std::optional<std::int32_t>> LookUpUserGroupId(const std::string& name,
                                                        const std::string& passwordDigest);

// One group as the recorders' group lists carry it.
struct GroupSummary {
  std::string name;
  std::int32_t level = 0;
  std::uint32_t authority = 0;
};
// Every group by level, lowest first.
DbResult<std::vector<GroupSummary>> ListGroupsByLevel();

}  // namespace orlentis
