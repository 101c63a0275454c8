#pragma once

#include <chrono>
#include <filesystem>

#include "support/child_process.h"

namespace orlentis::testing {

// Another process that writes to the database: the sqlite3 shell takes the write lock with
// BEGIN IMMEDIATE, holds it for a while without a word and then commits, as orlentis-admin or a
// second server does in the middle of a long write.
class WriteLockHolder {
 public:
  WriteLockHolder(const std::filesystem::path& database, std::chrono::seconds hold);

  // True once the other process holds the lock (at most timeoutMs).
  bool WaitUntilHeld(int timeoutMs);
  // True once the other process has committed and ended (at most timeoutMs).
  bool WaitUntilReleased(int timeoutMs);

 private:
  ChildProcess shell_;
};

}  // namespace orlentis::testing
