#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include "store/database_thread.h"

namespace orlentis {

class DomainLogonRunner;
class NetworkWorker;
class RecorderServices;
class Settings;

// The server as a first start leaves it, in a fresh folder under the temporary folder: the
// default settings and language files, the database with its first-start accounts (the
// administrator's password is kAdminPassword), the worker listening on 127.0.0.1 with the
// real request handlers. One per process; the folder goes with it.
class FuzzServer {
 public:
  static constexpr const char* kAdminPassword = "fuzz-admin-password";

  FuzzServer();
  ~FuzzServer();
  FuzzServer(const FuzzServer&) = delete;
  FuzzServer& operator=(const FuzzServer&) = delete;

  std::uint16_t Port() const;
  // Queues the sweep that closes the connections marked dead; the peer then reads its end.
  void PostDeadConnectionSweep();

 private:
  std::filesystem::path folder_;
  // Before the services and the worker, so they outlive every job handed to them.
  DatabaseThread reads_{DatabaseThread::Kind::kReads};
  DatabaseWriters writes_{1};
  std::unique_ptr<Settings> settings_;
  std::unique_ptr<DomainLogonRunner> domainLogons_;
  std::unique_ptr<RecorderServices> services_;
  std::unique_ptr<NetworkWorker> worker_;
};

}  // namespace orlentis
