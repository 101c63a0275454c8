#include "fuzz_server.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "access/domain_logon.h"
#include "access/domain_logon_runner.h"
#include "base/default_files.h"
#include "base/profile_file.h"
#include "base/program_folder.h"
#include "base/settings.h"
#include "net/network_worker.h"
#include "net/recorder_services.h"
#include "store/database_maintenance.h"
#include "store/engine.h"
#include "store/schema.h"
#include "store/store_startup.h"

namespace orlentis {
namespace {

// Under /dev/shm where there is one: every check-in commits, and a commit on a disk waits for
// its flush, which would make most of an input's time.
std::filesystem::path MakeFolder() {
  const char* shm = "/dev/shm";
  const auto base = std::filesystem::is_directory(shm) ? std::filesystem::path(shm)
                                                       : std::filesystem::temp_directory_path();
  std::string pattern = (base / "orlentis-fuzz-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

}  // namespace

FuzzServer::FuzzServer() : folder_(MakeFolder()) {
  ::setenv(kAdminPasswordVariable, kAdminPassword, 1);
  SetProgramFolder(folder_);
  WriteDefaultProgramFiles(folder_);
  // Every input comes from the same address: with the login throttle on, the tenth failed
  // login would leave every later one refused unread, and the login paths out of reach.
  ProfileFile ini(folder_ / kSettingsFileName);
  ini.SetText("SECURITY", "LOGINFAILURES", "0");
  ini.SaveAs(folder_ / kSettingsFileName);
  if (PrepareDatabase(folder_ / kDatabaseFileName) != DatabasePreparation::kReady) {
    throw std::runtime_error("cannot prepare the fuzz database");
  }
  // Ends the start-up hold: until the first maintenance, no connection is admitted.
  DatabaseMaintenance::Instance().RunMaintenance();
  settings_ = std::make_unique<Settings>(folder_ / kSettingsFileName);
  domainLogons_ =
      std::make_unique<DomainLogonRunner>([this] { return DomainLogonSettingsFrom(*settings_); });
  services_ = std::make_unique<RecorderServices>(*settings_, *domainLogons_,
                                                 DatabaseThreads{reads_, writes_});

  WorkerOptions options;
  options.bindAddress = "127.0.0.1";
  options.settings = settings_.get();
  options.handlers = services_.get();
  worker_ = std::make_unique<NetworkWorker>(std::move(options));
  if (!worker_->Start()) throw std::runtime_error("the fuzz server cannot listen");
}

FuzzServer::~FuzzServer() {
  worker_->Stop();
  domainLogons_->Shutdown();
  CloseThreadSession();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::uint16_t FuzzServer::Port() const {
  return worker_->Port();
}

void FuzzServer::PostDeadConnectionSweep() {
  worker_->PostDeadConnectionSweep();
}

}  // namespace orlentis
