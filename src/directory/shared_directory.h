#pragma once

namespace orlentis {

// Whether the directory is one that several servers may share: a PostgreSQL database. They
// count failed logins together there, keep their rows in its table of servers, and its sites
// and event-log entries name the server they came through. A SQLite file has one server.
bool DirectoryIsShared();

}  // namespace orlentis
