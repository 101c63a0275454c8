#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "access/domain_logon_runner.h"
#include "app/background_maintenance.h"
#include "app/housekeeping.h"
#include "app/metrics_page.h"
#include "console/server_control.h"
#include "net/network_worker.h"
#include "net/recorder_services.h"
#include "store/database_thread.h"
#include "store/engine.h"

namespace orlentis {

class Settings;

// What serves the recorders: the worker with its listener, the services behind it, the
// database threads and domain logons they wait for and the housekeeping of its timers. Headless
// mode and the main window drive the same object.
class Server : public ServerControl {
 public:
  // options: where to listen and which settings the IP filter reads; the handlers and the
  // failure callback are the server's own.
  Server(const Settings& settings, WorkerOptions options);
  ~Server() override;
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  void StartWorker(std::function<void()> onRequestFailure) override;
  void StopWorker() override;
  void OnSweepTimer() override { housekeeping_.OnSweepTimer(); }
  // The window's timer: the maintenance runs beside the window, never on its thread. Headless
  // mode drives Timers() on its main thread instead, which nothing else needs.
  void OnMaintenanceTimer() override { maintenance_.Start(); }

  // The recorders' code page from now on, for the requests that follow.
  void UseCodePage(const std::string& codePage);

  Housekeeping& Timers() { return housekeeping_; }
  // The address and port the server was told to listen on.
  const WorkerOptions& ListenOptions() const { return options_; }
  // The port listened on; 0 while no worker listens.
  std::uint16_t Port() const { return worker_ ? worker_->Port() : 0; }
  // Why the server cannot do its work now (no listener, no database, not registered among
  // the servers sharing its database), or empty when it can. Callable from any thread.
  std::string NotReadyReason() const;

 private:
  WorkerOptions options_;
  // Declared before the services and the worker, so they outlive every job handed to them.
  DatabaseThread databaseReads_{DatabaseThread::Kind::kReads,
                                ReadThreadCount(CurrentDatabaseTarget().engine)};
  DatabaseWriters databaseWrites_{WriteLaneCount(CurrentDatabaseTarget().engine)};
  DomainLogonRunner domainLogons_;
  RecorderServices services_;
  std::unique_ptr<NetworkWorker> worker_;
  Housekeeping housekeeping_{nullptr};
  BackgroundMaintenance maintenance_;
  std::atomic<bool> listening_{false};
  // Last, so that it is gone before anything it reads.
  std::unique_ptr<MetricsPage> metricsPage_;
};

}  // namespace orlentis
