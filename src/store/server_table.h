#pragma once

#include <soci/soci.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orlentis {

// The servers sharing one PostgreSQL database (table orlentis_server), and which of them each
// on-line site checked in through. A SQLite file has one server, and none of this.

struct ServerRow {
  std::string name;
  std::string address;
  std::string started;                   // local time of the database, "YYYY-MM-DD HH:MM:SS"
  std::int32_t heartbeatAgeSeconds = 0;  // since the server last said it is alive
};

// This server's row: added or renewed, with its start time set when starting.
void RecordServer(soci::session& session, const std::string& name, const std::string& address,
                  bool starting);
void RemoveServer(soci::session& session, const std::string& name);

// The servers by name; none on SQLite.
std::vector<ServerRow> ReadServers(soci::session& session);

// The server each on-line site last checked in through, by site; none on SQLite.
std::map<std::int32_t, std::string> ReadOnlineSiteServers(soci::session& session);

}  // namespace orlentis
