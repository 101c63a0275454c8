#pragma once

#include <soci/soci.h>

#include <cstdint>
#include <string>

namespace orlentis {

// The failed logins that the servers sharing one PostgreSQL database count together, per key.

// Counts one failure of key at now (seconds since 1970), in one statement that any number of
// servers may run at once: a count whose window began windowSeconds or more before now starts
// again at this failure. The count of the window, this failure included.
std::int32_t CountSharedLoginFailure(soci::session& session, const std::string& key, double now,
                                     std::int32_t windowSeconds);

// Forgets the keys whose window began before before.
void ForgetSharedLoginFailures(soci::session& session, double before);

}  // namespace orlentis
