#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace orlentis::testing {

// Asks condition every 20 ms until it holds or limit has passed; whether it held.
inline bool PollUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace orlentis::testing
