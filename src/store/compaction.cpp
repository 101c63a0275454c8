#include "store/compaction.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "store/lock_wait.h"

namespace orlentis {
namespace {

struct ConnectionCloser {
  void operator()(sqlite3* connection) const { sqlite3_close_v2(connection); }
};
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;

struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Says why a step failed; the maintenance that ran it reports only the outcome, right after.
bool Failed(std::string_view reason, const std::string& why) {
  LogToOperatorPerReason(kLogStoreCompactionFailed, reason, why);
  return false;
}

bool Failed(std::string_view reason, const std::string& what, sqlite3* connection) {
  return Failed(reason, what + ": " + sqlite3_errmsg(connection));
}

Connection Open(const std::filesystem::path& file, int flags) {
  sqlite3* raw = nullptr;
  const int result = sqlite3_open_v2(file.c_str(), &raw, flags, nullptr);
  Connection connection(raw);
  if (result != SQLITE_OK) {
    Failed("open", "cannot open " + file.string() + ": " + sqlite3_errstr(result));
    return nullptr;
  }
  sqlite3_busy_handler(raw, RetryLockShortly, nullptr);
  return connection;
}

Statement Prepare(sqlite3* connection, const char* sql) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(connection, sql, -1, &raw, nullptr) != SQLITE_OK) {
    sqlite3_finalize(raw);
    return nullptr;
  }
  return Statement(raw);
}

// VACUUM INTO wants a new or empty file; creating it first gives it the database's mode.
bool CreatePrivateEmptyFile(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    return Failed("create-copy", "cannot create " + file.string() + ": " + std::strerror(errno));
  }
  ::close(fd);
  return true;
}

}  // namespace

bool VacuumInto(const std::filesystem::path& databaseFile, const std::filesystem::path& copyFile) {
  if (!CreatePrivateEmptyFile(copyFile)) return false;
  const Connection source = Open(databaseFile, SQLITE_OPEN_READWRITE);
  if (!source) return false;
  const std::string target = copyFile.string();
  const std::string what = "cannot copy " + databaseFile.string() + " into " + target;
  const Statement vacuum = Prepare(source.get(), "VACUUM INTO ?1");
  if (!vacuum) return Failed("copy", what, source.get());
  sqlite3_bind_text(vacuum.get(), 1, target.c_str(), -1, SQLITE_TRANSIENT);
  if (sqlite3_step(vacuum.get()) != SQLITE_DONE) return Failed("copy", what, source.get());
  return true;
}

bool IsIntact(const std::filesystem::path& file) {
  const Connection connection = Open(file, SQLITE_OPEN_READONLY);
  if (!connection) return false;
  const std::string what = "cannot check " + file.string();
  const Statement check = Prepare(connection.get(), "PRAGMA integrity_check");
  if (!check || sqlite3_step(check.get()) != SQLITE_ROW) {
    return Failed("check", what, connection.get());
  }
  const auto* verdict = reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 0));
  // A sound database answers exactly one row, "ok"; otherwise the first row says what is wrong.
  const std::string first = verdict != nullptr ? verdict : "";
  if (first != "ok" || sqlite3_step(check.get()) != SQLITE_DONE) {
    return Failed("check", file.string() + " fails the integrity check: " + first);
  }
  return true;
}

bool VacuumInPlace(const std::filesystem::path& databaseFile) {
  const Connection live = Open(databaseFile, SQLITE_OPEN_READWRITE);
  if (!live) return false;
  if (sqlite3_exec(live.get(), "VACUUM", nullptr, nullptr, nullptr) != SQLITE_OK) {
    return Failed("vacuum", "cannot compact " + databaseFile.string(), live.get());
  }
  // The rebuilt pages went into the write-ahead log; the checkpoint writes them into the
  // database file and truncates both. Readers still on old frames may hold it back, which only
  // delays shrinking.
  sqlite3_exec(live.get(), "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
  return true;
}

void RemoveDatabaseFile(const std::filesystem::path& file) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    ::unlink((file.string() + suffix).c_str());
  }
}

}  // namespace orlentis
