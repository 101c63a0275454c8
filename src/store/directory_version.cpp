#include "store/directory_version.h"

#include <libpq-fe.h>
#include <poll.h>

#include <chrono>
#include <memory>
#include <string>

#include "store/bound_statement.h"
#include "store/engine.h"
#include "store/engine_dialect.h"
#include "store/postgres_session.h"
#include "store/sqlite_commit_count.h"

namespace orlentis {
namespace {

using Clock = std::chrono::steady_clock;
using Connection = std::unique_ptr<PGconn, decltype(&PQfinish)>;
using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

constexpr std::chrono::milliseconds kStep{100};
// Longer than any answer of a server that works; a server that does not answer within it is
// given up, and the version is unknown until a new connection reads it.
constexpr std::chrono::milliseconds kAnswerLimit{5000};

// Waits at most one step for the server to send something; false when the connection broke.
bool AwaitInput(PGconn* connection) {
  pollfd socket{PQsocket(connection), POLLIN, 0};
  if (::poll(&socket, 1, static_cast<int>(kStep.count())) < 0) return false;
  return socket.revents == 0 || PQconsumeInput(connection) == 1;
}

bool DropNotices(PGconn* connection) {
  bool any = false;
  while (PGnotify* notice = PQnotifies(connection)) {
    PQfreemem(notice);
    any = true;
  }
  return any;
}

// Sends sql and waits for its one result without blocking past kAnswerLimit or a stop.
Result Ask(PGconn* connection, const char* sql, const std::atomic<bool>& stopping) {
  Result none(nullptr, &PQclear);
  if (PQsendQuery(connection, sql) != 1) return none;
  const auto deadline = Clock::now() + kAnswerLimit;
  while (PQisBusy(connection) == 1) {
    if (stopping.load() || Clock::now() > deadline || !AwaitInput(connection)) return none;
  }
  Result result(PQgetResult(connection), &PQclear);
  while (PGresult* rest = PQgetResult(connection)) PQclear(rest);
  return result;
}

std::optional<std::int64_t> ReadVersion(PGconn* connection, const std::atomic<bool>& stopping) {
  const Result result = Ask(connection, "SELECT version FROM orlentis_directory_version", stopping);
  if (!result || PQresultStatus(result.get()) != PGRES_TUPLES_OK || PQntuples(result.get()) != 1) {
    return std::nullopt;
  }
  return std::stoll(PQgetvalue(result.get(), 0, 0));
}

}  // namespace

std::optional<DirectoryVersion> CurrentDirectoryVersion() {
  soci::session& session = ThreadSession();
  if (SessionEngine(session) == DatabaseEngine::kPostgres) return SharedDirectoryVersion();
  // An open transaction reads its own snapshot, which may be older than the file's last
  // commit; only the session can tell how old.
  if (!IsInTransaction(session)) {
    if (const auto shared = SharedDirectoryVersion()) return shared;
  }
  long long count = 0;
  BoundStatement(session, "PRAGMA data_version").Into(count).Execute();
  return DirectoryVersion{ThreadSessionSerial(), count};
}

std::optional<DirectoryVersion> SharedDirectoryVersion() {
  if (const auto known = DirectoryVersionWatch::Instance().Known()) return known;
  return SqliteCommitCount::Instance().Read();
}

std::uint64_t NewDirectoryVersionSource() {
  static std::atomic<std::uint64_t> sources{0};
  return sources.fetch_add(1) + 1;
}

DirectoryVersionWatch& DirectoryVersionWatch::Instance() {
  static DirectoryVersionWatch watch;
  return watch;
}

void DirectoryVersionWatch::Start(const DatabaseTarget& target) {
  if (target.engine != DatabaseEngine::kPostgres || thread_.joinable()) return;
  stopping_.store(false);
  thread_ = std::thread([this, target] { Watch(target); });
}

void DirectoryVersionWatch::Stop() {
  stopping_.store(true);
  if (thread_.joinable()) thread_.join();
  Forget();
}

std::optional<DirectoryVersion> DirectoryVersionWatch::Known() const {
  const std::lock_guard lock(mutex_);
  return known_;
}

std::optional<DirectoryVersion> DirectoryVersionWatch::LastKnown() const {
  const std::lock_guard lock(mutex_);
  return lastKnown_;
}

void DirectoryVersionWatch::Learn(std::uint64_t source, std::int64_t count) {
  const std::lock_guard lock(mutex_);
  known_ = lastKnown_ = DirectoryVersion{0, count, source};
}

void DirectoryVersionWatch::Forget() {
  const std::lock_guard lock(mutex_);
  known_.reset();
}

bool DirectoryVersionWatch::WaitUntilKnown(std::chrono::milliseconds limit) const {
  const auto end = Clock::now() + limit;
  while (!Known() && thread_.joinable() && Clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return Known().has_value();
}

// A change's notice comes after its commit; a version read after the notices that came before
// it is at least theirs. Notices that arrive during a read make for another read.
void DirectoryVersionWatch::Watch(const DatabaseTarget& target) {
  const std::string connectionString = BoundedConnectionString(target.connection);
  while (!stopping_.load()) {
    Connection connection(PQconnectdb(connectionString.c_str()), &PQfinish);
    bool listening = PQstatus(connection.get()) == CONNECTION_OK;
    if (listening) {
      const Result listen = Ask(connection.get(), "LISTEN orlentis_directory", stopping_);
      listening = listen && PQresultStatus(listen.get()) == PGRES_COMMAND_OK;
    }
    // A new connection may reach another database, or this one restored from a backup.
    std::uint64_t source = NewDirectoryVersionSource();
    auto nextPoll = Clock::now();
    bool reread = listening;
    while (listening && !stopping_.load()) {
      if (reread || Clock::now() >= nextPoll) {
        DropNotices(connection.get());
        const auto version = ReadVersion(connection.get(), stopping_);
        if (!version) break;
        // A count that went back belongs to another history of the directory (a backup
        // restored under this connection), whose numbers mean other contents.
        const auto last = LastKnown();
        if (last && last->source == source && *version < last->count) {
          source = NewDirectoryVersionSource();
        }
        Learn(source, *version);
        nextPoll = Clock::now() + kPollPeriod;
      }
      if (!AwaitInput(connection.get())) break;
      reread = DropNotices(connection.get());
    }
    Forget();
    for (auto waited = kStep; !listening && waited <= kPollPeriod && !stopping_.load();
         waited += kStep) {
      std::this_thread::sleep_for(kStep);
    }
  }
}

}  // namespace orlentis
