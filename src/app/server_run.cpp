#include "app/server_run.h"

#include <signal.h>

#include <chrono>
#include <functional>

#include "app/housekeeping.h"
#include "app/options.h"
#include "app/server.h"
#include "app/service_manager_notice.h"
#include "app/settings_reload.h"
#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "base/program_folder.h"
#include "base/settings.h"
#include "store/store_startup.h"

namespace orlentis {
namespace {

// Runs the housekeeping timers on this thread until SIGTERM or SIGINT arrives; each SIGHUP
// meanwhile calls onHangUp.
int WaitForStopSignal(Housekeeping& housekeeping, const std::function<void()>& onHangUp) {
  const sigset_t signals = ServerSignals();
  HousekeepingSchedule schedule(std::chrono::steady_clock::now());
  while (true) {
    const auto wait = schedule.TimeUntilNextTimer(std::chrono::steady_clock::now());
    const timespec timeout{static_cast<time_t>(wait.count() / 1000),
                           static_cast<long>(wait.count() % 1000 * 1'000'000)};
    const int received = sigtimedwait(&signals, nullptr, &timeout);
    if (received == SIGTERM || received == SIGINT) return received;
    if (received == SIGHUP) onHangUp();
    schedule.RunDueTimers(housekeeping, std::chrono::steady_clock::now());
  }
}

std::string ReadyStatus(const Server& server) {
  return server.Port() != 0 ? "listening on port " + std::to_string(server.Port())
                            : std::string("not listening");
}

}  // namespace

sigset_t ServerSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  return signals;
}

void ReloadOnHangUp(Server& server, Settings& settings) {
  NotifyServiceReloading();
  ReloadSettings(server, settings);
  NotifyServiceReady(ReadyStatus(server));
}

std::string StopReason(int signalNumber) {
  return signalNumber == SIGTERM ? "stopping on SIGTERM" : "stopping on SIGINT";
}

void StopServer(Server& server, const std::string& reason) {
  NotifyServiceStopping();
  LogToOperator(kLogAppStopping, reason);
  server.StopWorker();
  LogToOperator(kLogAppStopped, "stopped");
}

int RunHeadlessServer() {
  // SIGHUP would end the process by default; here it means "read the settings again". It is
  // blocked before the first thread starts, as the stop signals are, so that only the wait
  // below takes it.
  const sigset_t signals = ServerSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  // Database, start-up maintenance and the "Start" entry come before anything is served.
  if (!RunStoreStartup(ProgramFolder())) return kExitDatabaseRefused;
  Settings& settings = Settings::Instance();
  Server server(settings, WorkerOptions::FromSettings(settings));
  server.StartWorker({});
  // Ready only with a listener: without one (the port is taken) systemd's start time-out and
  // restart try again later.
  if (server.Port() != 0) NotifyServiceReady(ReadyStatus(server));
  const int stopSignal =
      WaitForStopSignal(server.Timers(), [&] { ReloadOnHangUp(server, settings); });
  StopServer(server, StopReason(stopSignal));
  return kExitOk;
}

}  // namespace orlentis
