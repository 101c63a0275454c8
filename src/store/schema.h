#pragma once

#include <soci/soci.h>

#include <filesystem>

namespace orlentis {

// The default groups and the Administrator account, written only into a database that holds
// no group and no user. The Administrator's password is ORLENTIS_ADMIN_PASSWORD, or else a
// random one that is written to initial-admin-password in folder (mode 0600) and printed once
// on standard error. True when the seed was written.
bool SeedNewDatabase(soci::session& session, const std::filesystem::path& folder);

inline constexpr const char* kInitialPasswordFileName = "initial-admin-password";
inline constexpr const char* kAdminPasswordVariable = "ORLENTIS_ADMIN_PASSWORD";

}  // namespace orlentis
