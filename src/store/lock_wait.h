#pragma once

#include <chrono>

namespace orlentis {

// How long a statement waits for a lock another connection holds before it fails as busy.
inline constexpr std::chrono::milliseconds kBusyTimeout{10000};

// The busy handler of every connection (sqlite3_busy_handler): waits for the lock in short,
// even steps up to kBusyTimeout. SQLite's own busy timeout sleeps ever longer between its
// tries, up to a tenth of a second: beside a writer that commits group after group it looks
// only at moments when the lock is held and gives up, though the lock was free between every
// two groups.
int RetryLockShortly(void* unused, int attempts);

}  // namespace orlentis
