#include "support/store/postgres_server.h"

#include <libpq-fe.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <utility>

namespace orlentis::testing {
namespace {

constexpr const char* kPackagedBinaries = "/usr/lib/postgresql/15/bin";
constexpr const char* kSetpriv = "/usr/bin/setpriv";
constexpr const char* kServerUser = "postgres";
constexpr const char* kDatabaseUser = "orlentis";
// The socket's name only; it lies in the server's own folder, so no other server can hold it.
constexpr int kPort = 5432;
constexpr auto kStartDeadline = std::chrono::seconds(30);

bool RunningAsRoot() {
  return ::geteuid() == 0;
}

const passwd& ServerUser() {
  const passwd* user = ::getpwnam(kServerUser);
  if (user == nullptr) {
    throw std::runtime_error("running as root, and there is no user postgres to run PostgreSQL");
  }
  return *user;
}

using Connection = std::unique_ptr<PGconn, decltype(&PQfinish)>;
using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

Connection Connect(const std::string& connectionString) {
  Connection connection(PQconnectdb(connectionString.c_str()), &PQfinish);
  if (PQstatus(connection.get()) != CONNECTION_OK) {
    throw std::runtime_error(PQerrorMessage(connection.get()));
  }
  return connection;
}

Result Execute(PGconn* connection, const std::string& sql) {
  Result result(PQexec(connection, sql.c_str()), &PQclear);
  const ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    throw std::runtime_error(PQerrorMessage(connection));
  }
  return result;
}

std::string Quoted(PGconn* connection, const std::string& text, bool identifier) {
  char* quoted = identifier ? PQescapeIdentifier(connection, text.data(), text.size())
                            : PQescapeLiteral(connection, text.data(), text.size());
  const std::string result = quoted;
  PQfreemem(quoted);
  return result;
}

}  // namespace

std::optional<std::filesystem::path> PostgresServer::BinaryFolder() {
  const std::filesystem::path folder = kPackagedBinaries;
  std::error_code error;
  if (!std::filesystem::exists(folder / "initdb", error) ||
      !std::filesystem::exists(folder / "postgres", error)) {
    return std::nullopt;
  }
  return folder;
}

PostgresServer& PostgresServer::Shared() {
  static PostgresServer server([] {
    const auto folder = BinaryFolder();
    if (!folder) throw std::runtime_error("PostgreSQL is not installed");
    return *folder;
  }());
  return server;
}

PostgresServer::PostgresServer(const std::filesystem::path& binaryFolder,
                               std::vector<std::string> settings)
    : binaryFolder_(binaryFolder), settings_(std::move(settings)) {
  TakeFolder();
  MakeCluster();
  Start();
}

PostgresServer::PostgresServer(StandbyTag, const PostgresServer& primary)
    : binaryFolder_(primary.binaryFolder_) {
  TakeFolder();
  CopyAsStandby(primary);
  Start();
}

std::unique_ptr<PostgresServer> PostgresServer::StandbyOf(const PostgresServer& primary) {
  return std::unique_ptr<PostgresServer>(new PostgresServer(StandbyTag{}, primary));
}

PostgresServer::~PostgresServer() {
  // SIGINT is the fast shutdown: open sessions are ended rather than waited for.
  postgres_->Signal(SIGINT);
  postgres_->Wait(10000);
}

// The server's notices (what IF NOT EXISTS skipped, say) would only clutter the tests' output.
std::string PostgresServer::ConnectionString(const std::string& database) const {
  return "host=" + folder_.Path().string() + " port=" + std::to_string(kPort) +
         " user=" + kDatabaseUser + " dbname=" + database +
         " options=-cclient_min_messages=warning";
}

// The connections are ended only once the refusal has committed, so that none comes back.
void PostgresServer::SetReachable(const std::string& database, bool reachable) const {
  const Connection connection = Connect(ConnectionString("postgres"));
  Execute(connection.get(), "ALTER DATABASE " + Quoted(connection.get(), database, true) +
                                " ALLOW_CONNECTIONS " + (reachable ? "true" : "false"));
  if (reachable) return;
  Execute(connection.get(),
          "SELECT COUNT(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE datname = " +
              Quoted(connection.get(), database, false));
}

std::string PostgresServer::CreateDatabase(const std::string& database) const {
  const Connection connection = Connect(ConnectionString("postgres"));
  Execute(connection.get(), "CREATE DATABASE " + Quoted(connection.get(), database, true));
  return ConnectionString(database);
}

// SIGQUIT is PostgreSQL's immediate shutdown: what a standby has not received is lost.
void PostgresServer::Crash() {
  postgres_->Signal(SIGQUIT);
  postgres_->Wait(10000);
}

void PostgresServer::Promote() const {
  const Connection connection = Connect(ConnectionString("postgres"));
  const Result promoted = Execute(connection.get(), "SELECT pg_promote(true, 60)");
  if (std::string(PQgetvalue(promoted.get(), 0, 0)) != "t") {
    throw std::runtime_error("the standby was not promoted within 60 s");
  }
}

std::string PostgresServer::WritableOneOf(const std::vector<const PostgresServer*>& servers,
                                          const std::string& database) {
  std::string hosts;
  std::string ports;
  for (const PostgresServer* server : servers) {
    hosts += (hosts.empty() ? "" : ",") + server->folder_.Path().string();
    ports += (ports.empty() ? "" : ",") + std::to_string(kPort);
  }
  return "host=" + hosts + " port=" + ports + " user=" + kDatabaseUser + " dbname=" + database +
         " target_session_attrs=read-write options=-cclient_min_messages=warning";
}

// PostgreSQL refuses to run as root; as anyone else it runs as the test itself. It starts in
// its own folder, since it cannot work in a current folder that it may not enter.
ChildProcess::Launch PostgresServer::AsServerUser(const std::string& program,
                                                  std::vector<std::string> arguments) const {
  ChildProcess::Launch launch;
  launch.workingFolder = folder_.Path();
  launch.program = (binaryFolder_ / program).string();
  launch.arguments = std::move(arguments);
  if (RunningAsRoot()) {
    launch.arguments.insert(launch.arguments.begin(), {std::string("--reuid=") + kServerUser,
                                                       std::string("--regid=") + kServerUser,
                                                       "--init-groups", launch.program});
    launch.program = kSetpriv;
  }
  return launch;
}

void PostgresServer::TakeFolder() const {
  if (!RunningAsRoot()) return;
  const passwd& user = ServerUser();
  if (::chown(folder_.Path().c_str(), user.pw_uid, user.pw_gid) != 0) {
    throw std::runtime_error("cannot give " + folder_.Path().string() + " to postgres");
  }
}

// The C locale compares and sorts texts by their bytes, as SQLite does; durability is of no
// use to a cluster that is thrown away.
void PostgresServer::MakeCluster() const {
  std::string errors;
  const int status =
      RunToEnd(AsServerUser("initdb", {"--pgdata=" + (folder_ / "data").string(),
                                       std::string("--username=") + kDatabaseUser, "--auth=trust",
                                       "--encoding=UTF8", "--locale=C", "--no-sync"}),
               60000, &errors);
  if (status != 0) {
    throw std::runtime_error("initdb failed with status " + std::to_string(status) + ": " + errors);
  }
}

// Written with the recovery settings that make it follow the primary (--write-recovery-conf).
void PostgresServer::CopyAsStandby(const PostgresServer& primary) const {
  std::string errors;
  const int status = RunToEnd(
      AsServerUser(
          "pg_basebackup",
          {"--pgdata=" + (folder_ / "data").string(), "--host=" + primary.folder_.Path().string(),
           "--port=" + std::to_string(kPort), std::string("--username=") + kDatabaseUser,
           "--write-recovery-conf", "--wal-method=stream", "--checkpoint=fast", "--no-sync"}),
      60000, &errors);
  if (status != 0) {
    throw std::runtime_error("pg_basebackup failed with status " + std::to_string(status) + ": " +
                             errors);
  }
}

// Settings given later on the command line win, so a test's own come last.
void PostgresServer::Start() {
  std::vector<std::string> arguments = {"-D", (folder_ / "data").string(),
                                        "-k", folder_.Path().string(),
                                        "-p", std::to_string(kPort),
                                        "-c", "listen_addresses=",
                                        "-c", "fsync=off",
                                        "-c", "full_page_writes=off",
                                        "-c", "synchronous_commit=off"};
  for (const std::string& setting : settings_) arguments.insert(arguments.end(), {"-c", setting});
  postgres_ = std::make_unique<ChildProcess>(AsServerUser("postgres", std::move(arguments)));
  const auto deadline = std::chrono::steady_clock::now() + kStartDeadline;
  while (std::chrono::steady_clock::now() < deadline) {
    if (const auto status = postgres_->Wait(0)) {
      throw std::runtime_error("postgres ended with status " + std::to_string(*status) + ": " +
                               postgres_->ErrorOutput());
    }
    if (AcceptsConnections()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  throw std::runtime_error("postgres did not accept connections within 30 s: " +
                           postgres_->ErrorOutput());
}

bool PostgresServer::AcceptsConnections() const {
  return PQping(ConnectionString("postgres").c_str()) == PQPING_OK;
}

std::string FreshPostgresDatabase() {
  static std::atomic<int> databases = 0;
  return PostgresServer::Shared().CreateDatabase("test_" + std::to_string(++databases));
}

void PostgresTest::SetUp() {
  if (PostgresServer::BinaryFolder()) return;
  static bool told = false;
  if (!std::exchange(told, true)) GTEST_SKIP() << "skipped: PostgreSQL not installed";
  GTEST_SKIP();
}

}  // namespace orlentis::testing
