#pragma once

#include <soci/soci.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

namespace orlentis {

inline constexpr const char* kDatabaseFileName = "OrlentisDB.db";
inline constexpr const char* kTemporaryDatabaseFileName = "Temp.db";

// The column that identifies a row of a table without a key (Camera, UserSite, Log, MaskIP).
// It is the one piece of engine dialect the record sets need; another engine names its own.
inline constexpr const char* kRowIdColumn = "rowid";

// The database file every session opens. Until it is set, ProgramFolder()/OrlentisDB.db.
// Changing it makes every thread reopen its session on its next use.
void SetDatabaseFile(const std::filesystem::path& file);
std::filesystem::path DatabaseFile();

// The calling thread's own session on DatabaseFile(), opened on first use and reopened when
// the file was changed since. Sessions are never shared between threads.
soci::session& ThreadSession();
// Drops the calling thread's session and its prepared statements; the next ThreadSession()
// opens a fresh one.
void CloseThreadSession();

class StatementCache;
// The prepared statements of session when it is the calling thread's own session (which a
// change of the database file, CloseThreadSession() and a repair drop together with it); null
// for any other session, whose statements are prepared for each use.
StatementCache* SessionStatementCache(const soci::session& session);

// A new session on file with the engine settings every session needs: WAL journal, full
// synchronous commits, a busy timeout. A file that does not exist yet is created with mode
// 0600 (SQLite's own companion files then take the same mode).
std::unique_ptr<soci::session> OpenSession(const std::filesystem::path& file);
// A session that only reads file, which must exist: it creates nothing and leaves the journal
// mode as it is, so the file's bytes stay the same.
std::unique_ptr<soci::session> OpenReadOnlySession(const std::filesystem::path& file);

// Runs the statements of sql one after the other on session, which may hold a transaction
// (sql itself must not begin or end one). The first failing statement throws soci::soci_error
// with the engine's own message; what it changed is undone, the statements before it are not.
void ExecuteScript(soci::session& session, std::string_view sql);

// Whether session holds an open transaction (begun explicitly, or a savepoint outside one).
bool IsInTransaction(soci::session& session);

// The id the database gave the row inserted last through session.
std::int64_t LastInsertId(soci::session& session);

}  // namespace orlentis
