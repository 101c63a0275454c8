#include "store/lock_wait.h"

#include <thread>

namespace orlentis {
namespace {

constexpr std::chrono::microseconds kRetryPause{200};

// A connection is used by one thread at a time, and one wait never leaves its thread.
thread_local std::chrono::steady_clock::time_point waitStarted;

}  // namespace

int RetryLockShortly(void*, int attempts) {
  const auto now = std::chrono::steady_clock::now();
  if (attempts == 0) waitStarted = now;
  if (now - waitStarted >= kBusyTimeout) return 0;
  std::this_thread::sleep_for(kRetryPause);
  return 1;
}

}  // namespace orlentis
