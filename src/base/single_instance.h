#pragma once

#include <filesystem>

namespace orlentis {

// One running server per program folder: an exclusive lock on Orlentis.lock, held until the
// process ends. Servers on different folders run side by side.
class SingleInstanceLock {
 public:
  explicit SingleInstanceLock(const std::filesystem::path& folder);
  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // False when another process holds the folder (or the lock file cannot be opened).
  bool Acquired() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

inline constexpr const char* kLockFileName = "Orlentis.lock";

}  // namespace orlentis
