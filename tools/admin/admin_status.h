#pragma once

#include <stdexcept>
#include <string>

namespace orlentis::admin {

// The exit status of orlentis-admin.
enum class AdminStatus : int {
  kDone = 0,
  kRefused = 1,   // a rule refused the change, it could not be done, or the database was busy;
                  // nothing changed
  kUsage = 2,     // unknown command or option, a missing or bad value
  kDatabase = 3,  // the database cannot be used (missing, of another version, failing)
};

// Ends a command; the message goes to standard error.
class AdminFailure : public std::runtime_error {
 public:
  AdminFailure(AdminStatus status, const std::string& message)
      : std::runtime_error(message), status_(status) {}
  AdminStatus Status() const { return status_; }

 private:
  AdminStatus status_;
};

inline AdminFailure Refusal(const std::string& message) {
  return AdminFailure(AdminStatus::kRefused, message);
}
inline AdminFailure UsageError(const std::string& message) {
  return AdminFailure(AdminStatus::kUsage, message);
}

}  // namespace orlentis::admin
