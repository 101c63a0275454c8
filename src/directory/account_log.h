#pragma once

#include <string>
#include <string_view>

namespace soci {
class session;
}

namespace orlentis {

// The event-log entry of an account change, with trimming: source names who made it, action
// "<action text> (<name>)", detail the action text alone. Written inside the change's own
// guarded operation, so that the change and its entry commit together.
void LogAccountChange(soci::session& session, std::string_view source, int actionTextId,
                      std::string_view name);

// The one event-log entry of a throttling episode: logins from a peer address, or for a user
// name at the console, failed too often and are refused for a while. source is that address
// or name.
void LogLoginsThrottled(const std::string& source);

// The source the console gives its changes: the program's display name (kTextProgramName). An
// administration tool gives its own name and the user who runs it instead.
std::string ConsoleLogSource();

}  // namespace orlentis
