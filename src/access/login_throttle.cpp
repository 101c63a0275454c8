#include "access/login_throttle.h"

#include <string>

#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "base/settings.h"

namespace orlentis {

LoginThrottleLimits LoginThrottleLimitsFrom(const Settings& settings) {
  return {settings.GetLoginFailures(), settings.GetLoginWindowSeconds(),
          settings.GetLoginCooldownSeconds()};
}

bool LoginThrottle::IsCoolingDown(const std::string& key, std::time_t now) {
  const auto found = failures_.find(key);
  if (found == failures_.end()) return false;
  if (now < found->second.coolingUntil) return true;
  // A key whose cool-down is over and that failed no more since is forgotten, so that the
  // table holds only the keys that guess now.
  if (found->second.coolingUntil != 0 && found->second.times.empty()) failures_.erase(found);
  return false;
}

bool LoginThrottle::RecordFailure(const std::string& key, std::time_t now,
                                  const LoginThrottleLimits& limits) {
  if (limits.failures <= 0) return false;
  if (failures_.size() >= kForgetAbove) ForgetQuietKeys(now, limits);
  Failures& failures = failures_[key];
  while (!failures.times.empty() && failures.times.front() <= now - limits.windowSeconds) {
    failures.times.pop_front();
  }
  failures.times.push_back(now);
  if (static_cast<std::int32_t>(failures.times.size()) < limits.failures) return false;
  return StartCoolDown(key, now, limits);
}

bool LoginThrottle::StartCoolDown(const std::string& key, std::time_t now,
                                  const LoginThrottleLimits& limits) {
  Failures& failures = failures_[key];
  if (now < failures.coolingUntil) return false;
  failures.times.clear();
  failures.coolingUntil = now + limits.cooldownSeconds;
  LogToOperator(kLogAccessLoginsThrottled,
                "logins for " + key + " are refused for " + std::to_string(limits.cooldownSeconds) +
                    " s after " + std::to_string(limits.failures) + " failed within " +
                    std::to_string(limits.windowSeconds) + " s");
  return true;
}

// Keys that neither cool down nor failed within the window count for nothing any more; a
// guesser that spreads its tries over many addresses must not grow the table without end.
void LoginThrottle::ForgetQuietKeys(std::time_t now, const LoginThrottleLimits& limits) {
  std::erase_if(failures_, [&](const auto& entry) {
    const Failures& failures = entry.second;
    return now >= failures.coolingUntil &&
           (failures.times.empty() || failures.times.back() <= now - limits.windowSeconds);
  });
}

}  // namespace orlentis
