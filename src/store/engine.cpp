#include "store/engine.h"

#include <fcntl.h>
#include <soci/sqlite3/soci-sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <mutex>
#include <optional>

#include "base/program_folder.h"
#include "store/bound_statement.h"
#include "store/engine_dialect.h"
#include "store/lock_wait.h"
#include "store/postgres_session.h"
#include "store/sqlite_commit_count.h"
#include "store/statement_cache.h"

namespace orlentis {
namespace {

std::mutex targetMutex;
// Unset: the default file in the program folder.
std::optional<DatabaseTarget> databaseTarget;
// Bumped by every change of the target; a thread's session opened under an older value is
// stale.
std::atomic<std::uint64_t> targetGeneration{1};

void SetTarget(std::optional<DatabaseTarget> target) {
  std::lock_guard lock(targetMutex);
  databaseTarget = std::move(target);
  targetGeneration.fetch_add(1);
}

struct ThreadSessionSlot {
  std::unique_ptr<soci::session> session;
  // Declared after the session, so a thread's end also drops its statements first.
  std::unique_ptr<StatementCache> statements;
  std::uint64_t generation = 0;
  // Which of the process's sessions this is: a number no other session had.
  std::uint64_t serial = 0;

  // The statements go before their session: SQLite does not close a connection that still
  // has prepared statements, and PostgreSQL's are deallocated through it.
  void Close() {
    statements.reset();
    session.reset();
  }
};
thread_local ThreadSessionSlot threadSession;
std::atomic<std::uint64_t> sessionSerials{0};
thread_local int threadSessionUses = 0;

// SQLite would create the file with the process umask; the database holds password digests.
void CreatePrivateFile(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0) ::close(fd);
}

// SOCI's connect string knows no escapes, so the file goes in as a URI filename (which this
// SQLite accepts) with every byte outside the plain characters percent-encoded: any path works.
// query ("?name=value") passes URI parameters to SQLite as they are.
std::string ConnectString(const std::filesystem::path& file, std::string_view query = {}) {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (const unsigned char c : file.string()) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 0x0F];
    }
  }
  return "db=\"" + uri + std::string(query) + "\"";
}

// The SOCI library does not export the type information of its SQLite session class, which the
// sanitizer's check of this downcast would need; every session here was made by that backend.
__attribute__((no_sanitize("vptr"))) sqlite_api::sqlite3* Connection(soci::session& session) {
  return static_cast<soci::sqlite3_session_backend*>(session.get_backend())->conn_;
}

}  // namespace

void SetDatabaseFile(const std::filesystem::path& file) {
  SetTarget(file.empty() ? std::nullopt : std::optional(DatabaseTarget::SqliteFile(file)));
}

void SetDatabaseConnection(const std::string& connection) {
  SetTarget(DatabaseTarget::Postgres(connection));
}

void SetDatabaseTarget(const DatabaseTarget& target) {
  SetTarget(target);
}

void ReopenAllSessions() {
  targetGeneration.fetch_add(1);
}

std::uint64_t DatabaseTargetGeneration() {
  return targetGeneration.load();
}

DatabaseTarget CurrentDatabaseTarget() {
  std::lock_guard lock(targetMutex);
  if (databaseTarget) return *databaseTarget;
  return DatabaseTarget::SqliteFile(ProgramFolder() / kDatabaseFileName);
}

std::filesystem::path DatabaseFile() {
  const DatabaseTarget target = CurrentDatabaseTarget();
  return target.engine == DatabaseEngine::kSqlite ? target.file
                                                  : ProgramFolder() / kDatabaseFileName;
}

soci::session& ThreadSession() {
  const std::uint64_t generation = targetGeneration.load();
  const bool stale = threadSession.generation != generation && threadSessionUses == 0;
  if (!threadSession.session || stale) {
    threadSession.Close();
    const DatabaseTarget target = CurrentDatabaseTarget();
    threadSession.session = OpenSession(target);
    if (target.engine == DatabaseEngine::kSqlite) {
      const char* file =
          sqlite_api::sqlite3_db_filename(Connection(*threadSession.session), "main");
      SqliteCommitCount::Instance().Follow(file != nullptr ? file : "", generation);
    }
    threadSession.statements = std::make_unique<StatementCache>();
    threadSession.generation = generation;
    threadSession.serial = sessionSerials.fetch_add(1) + 1;
  }
  return *threadSession.session;
}

std::uint64_t ThreadSessionSerial() {
  return threadSession.session ? threadSession.serial : 0;
}

ThreadSessionInUse::ThreadSessionInUse() {
  ++threadSessionUses;
}

ThreadSessionInUse::~ThreadSessionInUse() {
  --threadSessionUses;
}

void CloseThreadSession() {
  threadSession.Close();
}

bool ThreadSessionLostConnection() {
  if (CurrentDatabaseTarget().engine != DatabaseEngine::kPostgres) return false;
  return !threadSession.session || PostgresConnectionIsLost(*threadSession.session);
}

StatementCache* SessionStatementCache(const soci::session& session) {
  return &session == threadSession.session.get() ? threadSession.statements.get() : nullptr;
}

std::unique_ptr<soci::session> OpenSession(const std::filesystem::path& file) {
  CreatePrivateFile(file);
  auto session = std::make_unique<soci::session>(soci::sqlite3, ConnectString(file));
  sqlite_api::sqlite3_busy_handler(Connection(*session), RetryLockShortly, nullptr);
  BoundStatement(*session, "PRAGMA journal_mode = WAL").Execute();
  // Up to 32 MiB of pages per session (taken only as used): a full log of 100000 entries
  // stays in memory, so trimming it does not read its index back from the file every time.
  BoundStatement(*session, "PRAGMA cache_size = -32768").Execute();
  // A committed change must survive a power cut, not only a crash of the process.
  BoundStatement(*session, "PRAGMA synchronous = FULL").Execute();
  return session;
}

std::unique_ptr<soci::session> OpenSession(const DatabaseTarget& target) {
  if (target.engine == DatabaseEngine::kPostgres) return OpenPostgresSession(target.connection);
  return OpenSession(target.file);
}

std::unique_ptr<soci::session> OpenReadOnlySession(const std::filesystem::path& file) {
  auto session = std::make_unique<soci::session>(soci::sqlite3, ConnectString(file, "?mode=ro"));
  sqlite_api::sqlite3_busy_handler(Connection(*session), RetryLockShortly, nullptr);
  return session;
}

void ExecuteScript(soci::session& session, std::string_view sql) {
  if (SessionEngine(session) == DatabaseEngine::kPostgres) {
    ExecutePostgresScript(session, sql);
    return;
  }
  const std::string text(sql);
  char* message = nullptr;
  if (sqlite_api::sqlite3_exec(Connection(session), text.c_str(), nullptr, nullptr, &message) ==
      SQLITE_OK) {
    return;
  }
  const std::string error = message != nullptr ? message : "the script failed";
  sqlite_api::sqlite3_free(message);
  throw soci::soci_error(error);
}

bool IsInTransaction(soci::session& session) {
  if (SessionEngine(session) == DatabaseEngine::kPostgres) return PostgresIsInTransaction(session);
  return sqlite_api::sqlite3_get_autocommit(Connection(session)) == 0;
}

}  // namespace orlentis
