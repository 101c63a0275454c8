#pragma once

#include <string>
#include <string_view>

namespace soci {
class session;
}

namespace orlentis {

enum class AccountChange {
  kUserAdded,
  kUserChanged,
  kUserDeleted,
  kGroupAdded,
  kGroupChanged,
  kGroupDeleted
};

// The event-log entry of an account change, with trimming: source names who made it, action
// "<action text> (<name>)", detail the action text alone. Written inside the change's own
// guarded operation, so that the change and its entry commit together. changedFields names
// what changed ("password, group, ..."), for the audit trail only; never a value.
void LogAccountChange(soci::session& session, std::string_view source, AccountChange change,
                      std::string_view name, std::string_view changedFields = {});

// The one event-log entry of a throttling episode: logins from a peer address, or for a user
// name at the console, failed too often and are refused for a while. The entry's source is
// that address or name.
void LogAddressLoginsThrottled(const std::string& address);
void LogConsoleLoginsThrottled(const std::string& name);

// The source the console gives its changes: the program's display name (kTextProgramName). An
// administration tool gives its own name and the user who runs it instead.
std::string ConsoleLogSource();

}  // namespace orlentis
