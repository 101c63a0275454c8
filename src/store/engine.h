#pragma once

#include <soci/soci.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "store/database_target.h"

namespace orlentis {

inline constexpr const char* kDatabaseFileName = "OrlentisDB.db";
inline constexpr const char* kTemporaryDatabaseFileName = "Temp.db";

// The column that identifies a row of a table without a key (Camera, UserSite, Log, MaskIP):
// SQLite's hidden row id, and on PostgreSQL an identity column of that name.
inline constexpr const char* kRowIdColumn = "rowid";

// The database every session opens. Until one is set, the SQLite file
// ProgramFolder()/OrlentisDB.db. Changing it makes every thread reopen its session on its next
// use.
void SetDatabaseFile(const std::filesystem::path& file);
// A PostgreSQL database, by its libpq connection string.
void SetDatabaseConnection(const std::string& connection);
void SetDatabaseTarget(const DatabaseTarget& target);
// Makes every thread open a new session on its next use, as after a change of the target: the
// sessions they hold lost their connection.
void ReopenAllSessions();
DatabaseTarget CurrentDatabaseTarget();
// Moves on with every change of the target and every ReopenAllSessions(): what was opened under
// an older value may be on a file that is no longer the database.
std::uint64_t DatabaseTargetGeneration();
// The SQLite file of the current target (the default file when it is a PostgreSQL database).
std::filesystem::path DatabaseFile();

// The calling thread's own session on CurrentDatabaseTarget(), opened on first use and
// reopened when the target was changed since. Sessions are never shared between threads.
soci::session& ThreadSession();
// Marks the calling thread's session as in use by a unit of work: until the outermost mark
// ends, ThreadSession() gives that same session even when the target changed or
// ReopenAllSessions() was called meanwhile (by another thread, say), which would otherwise
// close it under the unit's open transaction.
class ThreadSessionInUse {
 public:
  ThreadSessionInUse();
  ~ThreadSessionInUse();
  ThreadSessionInUse(const ThreadSessionInUse&) = delete;
  ThreadSessionInUse& operator=(const ThreadSessionInUse&) = delete;
};

// The number of the calling thread's session, which no other session of the process had
// (0 without one): what a session alone knows, such as SQLite's data_version, holds for it only.
std::uint64_t ThreadSessionSerial();

// Drops the calling thread's session and its prepared statements; the next ThreadSession()
// opens a fresh one.
void CloseThreadSession();

// Whether the calling thread's session is on PostgreSQL and has lost its connection (or could
// not open one): the server went away, and only a new connection can go on.
bool ThreadSessionLostConnection();

class StatementCache;
// The prepared statements of session when it is the calling thread's own session (which a
// change of the database file, CloseThreadSession() and a repair drop together with it); null
// for any other session, whose statements are prepared for each use.
StatementCache* SessionStatementCache(const soci::session& session);

// A new session on file with the engine settings every session needs: WAL journal, full
// synchronous commits, a busy timeout. A file that does not exist yet is created with mode
// 0600 (SQLite's own companion files then take the same mode).
std::unique_ptr<soci::session> OpenSession(const std::filesystem::path& file);
// A new session on target: on a SQLite file as above, on a PostgreSQL database with bounded
// waits for connecting, locks and statements (store/postgres_session.h).
std::unique_ptr<soci::session> OpenSession(const DatabaseTarget& target);
// A session that only reads file, which must exist: it creates nothing and leaves the journal
// mode as it is, so the file's bytes stay the same.
std::unique_ptr<soci::session> OpenReadOnlySession(const std::filesystem::path& file);

// Runs the statements of sql one after the other on session, which may hold a transaction
// (sql itself must not begin or end one). The first failing statement throws soci::soci_error
// with the engine's own message. On SQLite what it changed is undone and the statements before
// it are not; on PostgreSQL it fails the whole transaction, which must then be rolled back.
void ExecuteScript(soci::session& session, std::string_view sql);

// Whether session holds an open transaction (begun explicitly, or a savepoint outside one).
bool IsInTransaction(soci::session& session);

}  // namespace orlentis
