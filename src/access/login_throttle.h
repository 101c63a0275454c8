#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <deque>
#include <string>
#include <unordered_map>

#include "access/login_verdict.h"

namespace orlentis {

// How many failed logins within how many seconds send a key into a cool-down, and for how
// long. failures 0 turns the throttle off.
struct LoginThrottleLimits {
  std::int32_t failures = 10;
  std::int32_t windowSeconds = 60;
  std::int32_t cooldownSeconds = 300;
};

class Settings;

// The limits that [SECURITY] of Setting.ini gives.
LoginThrottleLimits LoginThrottleLimitsFrom(const Settings& settings);

// Failed logins counted per key (a peer address, a user name), so that password guessing
// from one place is slowed to a few tries per cool-down. Not thread-safe: one owner thread.
class LoginThrottle {
 public:
  // Whether logins for key are refused at once, without being looked at.
  bool IsCoolingDown(const std::string& key, std::time_t now);
  // A failed login for key. True when it starts a cool-down: once an episode, which the
  // operator's log then says (access.logins-throttled), since the event log may be the very
  // thing that cannot be written.
  bool RecordFailure(const std::string& key, std::time_t now, const LoginThrottleLimits& limits);
  // Failures counted elsewhere (by the servers sharing a database) reached the limit: key
  // cools down from now, as after its own. True when that starts a cool-down, as above.
  bool StartCoolDown(const std::string& key, std::time_t now, const LoginThrottleLimits& limits);

 private:
  struct Failures {
    std::deque<std::time_t> times;  // within the window, oldest first
    std::time_t coolingUntil = 0;
  };
  static constexpr std::size_t kForgetAbove = 4096;

  void ForgetQuietKeys(std::time_t now, const LoginThrottleLimits& limits);

  std::unordered_map<std::string, Failures> failures_;
};

}  // namespace orlentis
