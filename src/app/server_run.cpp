#include "app/server_run.h"

#include <signal.h>

#include <chrono>

#include "access/domain_logon_runner.h"
#include "app/housekeeping.h"
#include "app/options.h"
#include "base/operator_log.h"
#include "base/program_folder.h"
#include "base/settings.h"
#include "net/network_worker.h"
#include "net/recorder_services.h"
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
  DomainLogonRunner domainLogons(CurrentDomainLogonSettings);
  RecorderServices services(Settings::Instance(), domainLogons);
  WorkerOptions options = WorkerOptions::FromSettings(Settings::Instance());
  options.handlers = &services;
  NetworkWorker worker(options);
  worker.Start();
  Housekeeping housekeeping(&worker);
  const int stopSignal = WaitForStopSignal(housekeeping);
  LogToOperator(OperatorLevel::kInfo, "app.stopping",
                stopSignal == SIGTERM ? "stopping on SIGTERM" : "stopping on SIGINT");
  worker.Stop();
  // A logon still under way hands its verdict to the worker's queue: it must not outlive it.
  domainLogons.Shutdown();
  LogToOperator(OperatorLevel::kInfo, "app.stopped", "stopped");
  return kExitOk;
}

}  // namespace orlentis
