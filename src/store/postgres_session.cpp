#include "store/postgres_session.h"

#include <libpq-fe.h>
#include <soci/postgresql/soci-postgresql.h>

#include <map>
#include <mutex>

namespace orlentis {
namespace {

using Options = std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)>;
using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

// libpq's own reading of the string, so that both of its forms are understood alike.
Options ParseConnection(const std::string& connection) {
  char* error = nullptr;
  Options options(PQconninfoParse(connection.c_str(), &error), &PQconninfoFree);
  if (!options) {
    const std::string message = error != nullptr ? error : "unreadable connection string";
    PQfreemem(error);
    throw soci::soci_error("cannot read the connection string: " + message);
  }
  return options;
}

// A value in single quotes, as libpq's key=value form reads it back, and PostgreSQL an E'...'
// literal.
std::string Quoted(const std::string& value) {
  std::string quoted = "'";
  for (const char c : value) {
    if (c == '\'' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "'";
}

std::mutex sessionNameMutex;
std::string sessionName;

// Set in the session's opening round trip, after the connection string's own, if any.
std::string SessionNameSetting() {
  const std::lock_guard lock(sessionNameMutex);
  if (sessionName.empty()) return {};
  return "; SET application_name = E" + Quoted(sessionName);
}

std::string Seconds(std::chrono::seconds time) {
  return std::to_string(time.count());
}

std::string Milliseconds(std::chrono::seconds time) {
  return std::to_string(std::chrono::milliseconds(time).count());
}

// The session of the SOCI backend, whose type information that library does not export; the
// sanitizer's check of this downcast would need it. Every PostgreSQL session here is one.
__attribute__((no_sanitize("vptr"))) PGconn* Connection(soci::session& session) {
  return static_cast<soci::postgresql_session_backend*>(session.get_backend())->conn_;
}

}  // namespace

std::string BoundedConnectionString(const std::string& connection) {
  const std::map<std::string, std::string> bounds = {
      {"connect_timeout", Seconds(kPostgresConnectTimeout)},
      {"keepalives", "1"},
      {"keepalives_idle", Seconds(kPostgresKeepaliveIdle)},
      {"tcp_user_timeout", Milliseconds(kPostgresTcpUserTimeout)},
  };
  const Options options = ParseConnection(connection);
  std::string bounded;
  for (const PQconninfoOption* option = options.get(); option->keyword != nullptr; ++option) {
    const auto bound = bounds.find(option->keyword);
    if (option->val == nullptr && bound == bounds.end()) continue;
    if (!bounded.empty()) bounded += ' ';
    bounded += std::string(option->keyword) + '=' +
               Quoted(option->val != nullptr ? option->val : bound->second);
  }
  return bounded;
}

std::string ConnectionWithoutPassword(const std::string& connection) {
  const Options options = ParseConnection(connection);
  std::string shown;
  for (const PQconninfoOption* option = options.get(); option->keyword != nullptr; ++option) {
    if (option->val == nullptr || std::string_view(option->keyword) == "password") continue;
    if (!shown.empty()) shown += ' ';
    shown += std::string(option->keyword) + '=' + option->val;
  }
  return shown;
}

void SetSessionName(const std::string& name) {
  const std::lock_guard lock(sessionNameMutex);
  sessionName = name;
}

bool PostgresConnectionIsLost(soci::session& session) {
  return PQstatus(Connection(session)) == CONNECTION_BAD;
}

std::unique_ptr<soci::session> OpenPostgresSession(const std::string& connection) {
  auto session =
      std::make_unique<soci::session>(soci::postgresql, BoundedConnectionString(connection));
  // All in one round trip, as every thread's session opens with them. The server's notices
  // ("already exists, skipping") would go to standard error, past the operator's log.
  ExecutePostgresScript(*session,
                        "SET statement_timeout = " + Milliseconds(kPostgresStatementTimeout) +
                            "; SET lock_timeout = " + Milliseconds(kPostgresLockTimeout) +
                            "; SET client_min_messages = warning" + SessionNameSetting());
  return session;
}

bool PostgresIsInTransaction(soci::session& session) {
  return PQtransactionStatus(Connection(session)) != PQTRANS_IDLE;
}

void ExecutePostgresScript(soci::session& session, std::string_view sql) {
  PGconn* connection = Connection(session);
  const Result result(PQexec(connection, std::string(sql).c_str()), &PQclear);
  const ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    throw soci::soci_error(PQerrorMessage(connection));
  }
}

}  // namespace orlentis
