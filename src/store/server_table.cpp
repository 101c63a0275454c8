#include "store/server_table.h"

#include "store/bound_statement.h"
#include "store/engine_dialect.h"

namespace orlentis {

void RecordServer(soci::session& session, const std::string& name, const std::string& address,
                  bool starting) {
  BoundStatement(session,
                 std::string("INSERT INTO orlentis_server (name, address, started, heartbeat) "
                             "VALUES (:name, :address, now(), now()) ON CONFLICT (name) DO "
                             "UPDATE SET address = EXCLUDED.address, heartbeat = now()") +
                     (starting ? ", started = now()" : ""))
      .Use(name)
      .Use(address)
      .Execute();
}

void RemoveServer(soci::session& session, const std::string& name) {
  BoundStatement(session, "DELETE FROM orlentis_server WHERE name = :name").Use(name).Execute();
}

std::vector<ServerRow> ReadServers(soci::session& session) {
  std::vector<ServerRow> servers;
  if (SessionEngine(session) != DatabaseEngine::kPostgres) return servers;
  ServerRow row;
  BoundStatement query(session,
                       "SELECT name, address, to_char(started, 'YYYY-MM-DD HH24:MI:SS'), "
                       "CAST(EXTRACT(EPOCH FROM now() - heartbeat) AS integer) "
                       "FROM orlentis_server ORDER BY name COLLATE \"C\"");
  query.Into(row.name).Into(row.address).Into(row.started).Into(row.heartbeatAgeSeconds);
  while (query.Fetch()) servers.push_back(row);
  return servers;
}

std::map<std::int32_t, std::string> ReadOnlineSiteServers(soci::session& session) {
  std::map<std::int32_t, std::string> servers;
  if (SessionEngine(session) != DatabaseEngine::kPostgres) return servers;
  std::int32_t site = 0;
  std::string server;
  BoundStatement query(
      session, "SELECT nID, strServer FROM Site WHERE bOnline <> 0 AND strServer IS NOT NULL");
  query.Into(site).Into(server);
  while (query.Fetch()) servers[site] = server;
  return servers;
}

}  // namespace orlentis
