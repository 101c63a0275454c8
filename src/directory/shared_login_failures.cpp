#include "directory/shared_login_failures.h"

#include "store/database_guard.h"
#include "store/login_failures.h"

namespace orlentis {

std::string SharedKeyOfAddress(const std::string& address) {
  return "address " + address;
}

std::string SharedKeyOfConsoleName(const std::string& key) {
  return "console " + key;
}

DbResult<std::int32_t> CountSharedFailure(const std::string& key, std::time_t now,
                                          std::int32_t windowSeconds) {
  return RunGuardedFor([&](soci::session& session) {
    return CountSharedLoginFailure(session, key, static_cast<double>(now), windowSeconds);
  });
}

}  // namespace orlentis
