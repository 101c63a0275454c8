#pragma once

#include <soci/soci.h>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace orlentis {

// A statement that runs longer than this is cancelled: no request may hold its thread, or a
// lock it took, without end.
inline constexpr std::chrono::seconds kPostgresStatementTimeout{30};
// How long a statement waits for a row or table lock another session holds before it fails,
// the same time a SQLite connection waits for the file's write lock.
inline constexpr std::chrono::seconds kPostgresLockTimeout{10};
// How long opening a connection may take, and how soon an idle connection's peer is probed
// and given up, so that a server gone from the network fails the store's calls in bounded time.
inline constexpr std::chrono::seconds kPostgresConnectTimeout{5};
inline constexpr std::chrono::seconds kPostgresKeepaliveIdle{30};
inline constexpr std::chrono::seconds kPostgresTcpUserTimeout{30};

// connection with the bounded waits above added where it does not set them itself. Throws
// soci::soci_error when libpq cannot read it.
std::string BoundedConnectionString(const std::string& connection);

// connection without its password, for a log line or a message.
std::string ConnectionWithoutPassword(const std::string& connection);

// The name this process gives its sessions (PostgreSQL's application_name), which the
// database writes beside a site's check-in and each event-log entry: the server's own name
// (ThisServerName()), set before the first session opens. Empty, the default, gives none.
void SetSessionName(const std::string& name);

// A new session on the database of connection, with the bounded waits above and the name
// set by SetSessionName().
std::unique_ptr<soci::session> OpenPostgresSession(const std::string& connection);

// Whether the connection of session is gone (the server went away or closed it): only a new
// session can go on.
bool PostgresConnectionIsLost(soci::session& session);

// Whether session holds an open transaction, a failed one included.
bool PostgresIsInTransaction(soci::session& session);

// Runs the statements of sql in one round trip; throws soci::soci_error with the server's
// message when one fails.
void ExecutePostgresScript(soci::session& session, std::string_view sql);

}  // namespace orlentis
