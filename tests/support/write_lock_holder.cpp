#include "support/write_lock_holder.h"

#include <string>

namespace orlentis::testing {
namespace {

constexpr const char* kHeldMark = "write lock held";

// The shell says on its standard error when it holds the lock, so that nobody guesses.
std::string HoldingScript(std::chrono::seconds hold) {
  return ".bail on\n"
         ".timeout 5000\n"
         "BEGIN IMMEDIATE;\n"
         ".shell echo '" +
         std::string(kHeldMark) +
         "' >&2\n"
         ".shell sleep " +
         std::to_string(hold.count()) +
         "\n"
         "COMMIT;\n";
}

}  // namespace

WriteLockHolder::WriteLockHolder(const std::filesystem::path& database, std::chrono::seconds hold)
    : shell_({"/usr/bin/sqlite3", {database.string()}, {}, {}}, HoldingScript(hold)) {}

bool WriteLockHolder::WaitUntilHeld(int timeoutMs) {
  return shell_.WaitForError(kHeldMark, timeoutMs);
}

bool WriteLockHolder::WaitUntilReleased(int timeoutMs) {
  return shell_.Wait(timeoutMs) == 0;
}

}  // namespace orlentis::testing
