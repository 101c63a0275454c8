#pragma once

#include <soci/soci.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

#include "store/database_target.h"
#include "store/periodic_thread.h"

namespace orlentis {

// Which of the servers sharing one PostgreSQL database runs its scheduled maintenance: the one
// whose session of its own holds the maintenance lock. The lock ends with that session, so when
// the leader dies or loses its way to the database, another server takes the lead at its next
// try, within kTryPeriod. The leader's maintenance runs on that same session: a leader that lost
// it cannot go on beside the next one.
//
// On a SQLite file, which has one server, and in a process that never started it (the
// administration tool, a test), this process leads.
class MaintenanceLeader {
 public:
  static constexpr std::chrono::milliseconds kTryPeriod{2000};

  static MaintenanceLeader& Instance();

  MaintenanceLeader() = default;
  ~MaintenanceLeader() { Stop(); }
  MaintenanceLeader(const MaintenanceLeader&) = delete;
  MaintenanceLeader& operator=(const MaintenanceLeader&) = delete;

  // On PostgreSQL: tries to take the lead (now, when tryNow) and then every kTryPeriod on a
  // thread of its own, keeping it while its session answers. onLead is called on that thread
  // (or this one, for the first try) each time this server takes the lead.
  void Start(const DatabaseTarget& target, std::function<void()> onLead = {}, bool tryNow = true);
  // Ends the tries and gives the lead up.
  void Stop();

  bool Leads() const;
  // Runs job on the leader's session; false, without running it, when this server does not
  // lead, and for a process that never started, on a session opened for it. An exception of
  // the job ends the lead (the session may be broken) and is passed on.
  bool RunAsLeader(const DatabaseTarget& target, const std::function<void(soci::session&)>& job);

 private:
  void TryToLead();
  void GiveUp(const std::string& reason);

  mutable std::mutex mutex_;
  DatabaseTarget target_;
  std::function<void()> onLead_;
  std::unique_ptr<soci::session> session_;
  bool started_ = false;
  bool leads_ = false;
  PeriodicThread tries_;
};

}  // namespace orlentis
