#pragma once

namespace orlentis {

class Server;
class Settings;

// SIGHUP: reads Setting.ini again. What is read at each use takes effect at once (log limits,
// IP filter and its mode, domain logon with its keys, maintenance, whose next run is scheduled
// anew); the code page goes to the worker; a listening address or port that differs from the one in
// use is reported to the operator as waiting for a restart. Writes one event-log entry.
void ReloadSettings(Server& server, Settings& settings);

}  // namespace orlentis
