#include "app/server_run.h"

#include <signal.h>

#include <chrono>

#include "app/housekeeping.h"
#include "app/options.h"
#include "app/server.h"
#include "base/operator_log.h"
#include "base/program_folder.h"
#include "base/settings.h"
#include "store/store_startup.h"

namespace orlentis {
namespace {

// Runs the housekeeping timers on this thread until SIGTERM or SIGINT arrives.
int WaitForStopSignal(Housekeeping& housekeeping) {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  HousekeepingSchedule schedule(std::chrono::steady_clock::now());
  while (true) {
    const auto wait = schedule.TimeUntilNextTimer(std::chrono::steady_clock::now());
    const timespec timeout{static_cast<time_t>(wait.count() / 1000),
                           static_cast<long>(wait.count() % 1000 * 1'000'000)};
    const int received = sigtimedwait(&signals, nullptr, &timeout);
    if (received == SIGTERM || received == SIGINT) return received;
    schedule.RunDueTimers(housekeeping, std::chrono::steady_clock::now());
  }
}

}  // namespace

int RunHeadlessServer() {
  // Database, start-up maintenance and the "Start" entry come before anything is served.
  if (!RunStoreStartup(ProgramFolder())) return kExitDatabaseRefused;
  Server server(Settings::Instance(), WorkerOptions::FromSettings(Settings::Instance()));
  server.StartWorker({});
  const int stopSignal = WaitForStopSignal(server.Timers());
  LogToOperator(OperatorLevel::kInfo, "app.stopping",
                stopSignal == SIGTERM ? "stopping on SIGTERM" : "stopping on SIGINT");
  server.StopWorker();
  LogToOperator(OperatorLevel::kInfo, "app.stopped", "stopped");
  return kExitOk;
}

}  // namespace orlentis
