#pragma once

#include <signal.h>

#include <string>

namespace orlentis {

class Server;
class Settings;

// Runs the server without a window until SIGTERM or SIGINT arrives; returns the exit status.
// The caller has blocked both signals in every thread.
int RunHeadlessServer();

// What the server's main thread takes, in either mode: SIGTERM and SIGINT stop the server,
// SIGHUP reads the settings again. Blocked in every thread before the first one starts.
sigset_t ServerSignals();

// SIGHUP, in either mode: ReloadSettings, with systemd told of the reload.
void ReloadOnHangUp(Server& server, Settings& settings);

// "stopping on SIGTERM" or "stopping on SIGINT".
std::string StopReason(int signalNumber);
// The end of a run, in either mode, as systemd and the operator's log learn of it: why, the
// worker's stop, and "stopped".
void StopServer(Server& server, const std::string& reason);

}  // namespace orlentis
