#include "app/server.h"

#include <ctime>
#include <utility>

#include "base/settings.h"
#include "directory/shared_directory.h"
#include "store/database_maintenance.h"
#include "store/directory_version.h"
#include "store/engine.h"
#include "store/maintenance_leader.h"
#include "store/server_registry.h"
#include "store/store_startup.h"

namespace orlentis {
namespace {

bool DatabaseUsable() {
  const DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  return maintenance.IsPrepared() && !maintenance.IsUnusable() && !maintenance.IsUnavailable();
}

ServerState CurrentServerState(std::time_t startTime) {
  return {DatabaseUsable(), DirectoryIsShared() && MaintenanceLeader::Instance().Leads(),
          static_cast<std::int64_t>(startTime)};
}

}  // namespace

Server::Server(const Settings& settings, WorkerOptions options)
    : options_(std::move(options)),
      domainLogons_(CurrentDomainLogonSettings),
      services_(settings, domainLogons_, {databaseReads_, databaseWrites_}) {
  options_.handlers = &services_;
  // A request never waits for a repair: it runs beside the server.
  DatabaseMaintenance::Instance().SetRepairsInBackground(true);
  // A network database that could not be reached at start-up is tried again from now on,
  // every few seconds; a file is checked by the housekeeping every minute.
  if (CurrentDatabaseTarget().engine == DatabaseEngine::kPostgres) RecheckUnusableDatabase();
  if (settings.GetMetricsPort() > 0) {
    metricsPage_ = std::make_unique<MetricsPage>(
        settings.GetMetricsAddress(), settings.GetMetricsPort(), options_.port,
        [this] { return NotReadyReason(); },
        [startTime = std::time(nullptr)] { return CurrentServerState(startTime); });
  }
}

Server::~Server() {
  metricsPage_.reset();
  StopWorker();
  // A repair that the maintenance started runs in the background in turn.
  maintenance_.Wait();
  DatabaseMaintenance::Instance().StopBackgroundWork();
  MaintenanceLeader::Instance().Stop();
  DirectoryVersionWatch::Instance().Stop();
  ServerRegistry::Instance().Stop();
}

void Server::StartWorker(std::function<void()> onRequestFailure) {
  WorkerOptions options = options_;
  options.onRequestFailure = std::move(onRequestFailure);
  worker_ = std::make_unique<NetworkWorker>(std::move(options));
  worker_->Start();
  housekeeping_ = Housekeeping(worker_.get());
  listening_.store(worker_->Port() != 0);
}

std::string Server::NotReadyReason() const {
  if (!listening_.load()) return "not listening for recorders";
  const DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  if (!DatabaseUsable()) return "the database cannot be used";
  if (maintenance.IsMaintenanceRunning()) return "the maintenance is running";
  if (DirectoryIsShared() && !ServerRegistry::Instance().Registered()) {
    return "not registered among the servers sharing the database";
  }
  return {};
}

void Server::UseCodePage(const std::string& codePage) {
  if (!worker_) {
    services_.UseCodePage(codePage);
    return;
  }
  // The services belong to the worker thread while it runs.
  worker_->RunOnWorker([&](Listener&) { services_.UseCodePage(codePage); });
}

void Server::StopWorker() {
  listening_.store(false);
  if (!worker_) return;
  housekeeping_ = Housekeeping(nullptr);
  worker_->Stop();
  // A logon still under way hands its verdict to the worker's queue: it must not outlive it.
  domainLogons_.Shutdown();
  worker_.reset();
}

}  // namespace orlentis
