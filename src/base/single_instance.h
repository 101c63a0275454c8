#pragma once

#include <filesystem>
#include <string>

namespace orlentis {

// One running server per program folder: an exclusive lock on Orlentis.lock, held until the
// process ends. Servers on different folders run side by side.
class SingleInstanceLock {
 public:
  enum class State { kAcquired, kHeldByAnother, kUnusable };

  explicit SingleInstanceLock(const std::filesystem::path& folder);
  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  State Outcome() const { return state_; }
  bool Acquired() const { return state_ == State::kAcquired; }
  // Why the lock file could not be used (kUnusable only).
  const std::string& Problem() const { return problem_; }

 private:
  int fd_ = -1;
  State state_ = State::kUnusable;
  std::string problem_;
};

inline constexpr const char* kLockFileName = "Orlentis.lock";

}  // namespace orlentis
