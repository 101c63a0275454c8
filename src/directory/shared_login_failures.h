#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "store/db_outcome.h"

namespace orlentis {

// Servers that share a directory (DirectoryIsShared()) count failed logins together, so that
// a guesser who spreads its tries over them is held back as by one server. Each server still
// counts on its own first, which stops a flood without touching the database; the shared count
// only adds the tries the others saw. A SQLite file has one server, whose own count is all
// there is.

// The keys of the shared count: a recorder's address, a console user name (as the console's
// own count keys it), never the same text for both.
std::string SharedKeyOfAddress(const std::string& address);
std::string SharedKeyOfConsoleName(const std::string& key);

// Counts one failed login of key at now; the failures within its window, this one included.
DbResult<std::int32_t> CountSharedFailure(const std::string& key, std::time_t now,
                                          std::int32_t windowSeconds);

}  // namespace orlentis
