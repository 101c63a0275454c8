#pragma once

#include <soci/soci.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "store/database_target.h"
#include "store/periodic_thread.h"

namespace orlentis {

// This server's row among the servers sharing one PostgreSQL database, kept on a session and a
// thread of its own: written at start, its heartbeat renewed every kHeartbeatPeriod, removed
// at a clean stop. A server that died leaves its row behind with an old heartbeat. The row is
// this server's only: a starting server changes nothing of the others'.
class ServerRegistry {
 public:
  static constexpr std::chrono::milliseconds kHeartbeatPeriod{3000};

  static ServerRegistry& Instance();

  ServerRegistry() = default;
  ~ServerRegistry() { Stop(); }
  ServerRegistry(const ServerRegistry&) = delete;
  ServerRegistry& operator=(const ServerRegistry&) = delete;

  // On PostgreSQL only; a row that cannot be written now is written at a later heartbeat.
  void Start(const DatabaseTarget& target, const std::string& name, const std::string& address);
  void Stop();
  // True while this server's row is written: its last heartbeat reached the database.
  bool Registered() const { return registered_.load(); }

 private:
  // On the heartbeat's thread only, between Start() and Stop().
  void Beat();

  DatabaseTarget target_;
  std::string name_;
  std::string address_;
  std::unique_ptr<soci::session> session_;
  bool starting_ = false;
  bool started_ = false;
  std::atomic<bool> registered_{false};
  PeriodicThread heartbeat_;
};

// The name of this server among those sharing a database: the machine's host name and the
// recorders' port.
std::string ThisServerName(std::int32_t port);

}  // namespace orlentis
