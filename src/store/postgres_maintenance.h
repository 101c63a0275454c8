#pragma once

#include <soci/soci.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "store/database_target.h"

namespace orlentis {

// A PostgreSQL database has no file to compact: its scheduled maintenance keeps the event log
// within its limits and vacuums and analyses the directory's tables, so that deleted rows give
// their room back and the planner's figures follow the directory's growth. On session, the
// maintenance leader's, whose statements may then take as long as a large table needs. Throws
// on failure.
void VacuumPostgresDatabase(soci::session& session);

// The check of a PostgreSQL database that a client can make, since its pages are the server's
// own to verify: each directory table counted through, in a read-only transaction.
// One line for each table that cannot be read; none when all were. Throws when no session
// can be opened.
std::vector<std::string> CheckPostgresTables(const DatabaseTarget& target);

// Whether a new session on target can be opened and read: what a repair of a PostgreSQL
// database amounts to once every thread has dropped its broken session.
bool CanReachPostgres(const DatabaseTarget& target);

// Tries reach with waits that double from kFirstReconnectWait, for at most span in all
// (kReconnectSpan: a server that restarts is back within that; one that is down for longer is
// left to the rechecks). wait is how each pause is spent (a plain sleep unless a test
// replaces it).
inline constexpr std::chrono::milliseconds kFirstReconnectWait{250};
inline constexpr std::chrono::milliseconds kReconnectSpan{4000};
bool ReconnectWithBackoff(const std::function<bool()>& reach,
                          const std::function<void(std::chrono::milliseconds)>& wait,
                          std::chrono::milliseconds span = kReconnectSpan);

}  // namespace orlentis
