#pragma once

#include <chrono>
#include <filesystem>
#include <memory>

#include "support/base/child_process.h"

namespace orlentis::testing {

// Another program holding a database's write lock: the sqlite3 shell in a process of its own,
// inside BEGIN IMMEDIATE for a while, then committing nothing and leaving.
class WriteLockHolder {
 public:
  // Returns once the lock is held.
  WriteLockHolder(const std::filesystem::path& database, std::chrono::seconds holdFor);
  ~WriteLockHolder();
  WriteLockHolder(const WriteLockHolder&) = delete;
  WriteLockHolder& operator=(const WriteLockHolder&) = delete;

  bool Holding() const { return holding_; }
  // Waits until the holder has let go and ended.
  void WaitUntilReleased();

 private:
  std::unique_ptr<ChildProcess> shell_;
  bool holding_ = false;
};

}  // namespace orlentis::testing
