#include "support/store/write_lock_holder.h"

#include <string>

namespace orlentis::testing {
namespace {

constexpr int kStartLimitMs = 10000;

}  // namespace

WriteLockHolder::WriteLockHolder(const std::filesystem::path& database,
                                 std::chrono::seconds holdFor) {
  // The shell says so on standard error once BEGIN IMMEDIATE has the lock.
  const std::string script =
      "BEGIN IMMEDIATE;\n.shell echo holding the write lock >&2\n.shell sleep " +
      std::to_string(holdFor.count()) + "\nCOMMIT;\n";
  shell_ = std::make_unique<ChildProcess>(
      ChildProcess::Launch{"/usr/bin/sqlite3", {"-bail", database.string()}, {}, {}}, script);
  holding_ = shell_->WaitForError("holding the write lock", kStartLimitMs);
}

WriteLockHolder::~WriteLockHolder() {
  WaitUntilReleased();
}

void WriteLockHolder::WaitUntilReleased() {
  const auto sleep = std::chrono::milliseconds(120000);
  shell_->Wait(static_cast<int>(sleep.count()));
}

}  // namespace orlentis::testing
