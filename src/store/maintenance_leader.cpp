#include "store/maintenance_leader.h"

#include <exception>
#include <string>

#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "store/advisory_lock.h"
#include "store/bound_statement.h"
#include "store/database_error.h"
#include "store/engine.h"

namespace orlentis {

MaintenanceLeader& MaintenanceLeader::Instance() {
  static MaintenanceLeader leader;
  return leader;
}

void MaintenanceLeader::Start(const DatabaseTarget& target, std::function<void()> onLead,
                              bool tryNow) {
  if (target.engine != DatabaseEngine::kPostgres) return;
  {
    const std::lock_guard lock(mutex_);
    target_ = target;
    onLead_ = std::move(onLead);
    started_ = true;
  }
  if (tryNow) TryToLead();
  tries_.Start(
      kTryPeriod, [this] { TryToLead(); }, false);
}

void MaintenanceLeader::Stop() {
  tries_.Stop();
  const std::lock_guard lock(mutex_);
  session_.reset();
  leads_ = false;
  started_ = false;
}

bool MaintenanceLeader::Leads() const {
  const std::lock_guard lock(mutex_);
  return !started_ || leads_;
}

bool MaintenanceLeader::RunAsLeader(const DatabaseTarget& target,
                                    const std::function<void(soci::session&)>& job) {
  std::unique_lock lock(mutex_);
  if (!started_) {
    lock.unlock();
    const auto session = OpenSession(target);
    job(*session);
    return true;
  }
  if (!leads_) return false;
  try {
    job(*session_);
  } catch (const std::exception& error) {
    GiveUp(DescribeDatabaseError(error));
    throw;
  }
  return true;
}

// The lead is kept while its session answers; without it, a new session tries for the lock.
// A lock just taken is the lead only once onLead has run: no maintenance runs by the schedule
// this server had before it took the lead.
void MaintenanceLeader::TryToLead() {
  std::function<void()> onLead;
  {
    const std::lock_guard lock(mutex_);
    try {
      if (leads_) {
        int one = 0;
        BoundStatement(*session_, "SELECT 1").Into(one).Execute();
        return;
      }
      if (!session_) session_ = OpenSession(target_);
      if (!TryAdvisoryLock(*session_, kMaintenanceLockKey)) return;
    } catch (const std::exception& error) {
      if (leads_) GiveUp(DescribeDatabaseError(error));
      session_.reset();
      return;
    }
    onLead = onLead_;
  }
  if (onLead) onLead();
  const std::lock_guard lock(mutex_);
  leads_ = true;
  LogToOperator(kLogStoreMaintenanceLeader,
                "this server leads the scheduled maintenance of " + DescribeDatabase(target_));
}

// With the session goes the lock, whether or not the server still holds it.
void MaintenanceLeader::GiveUp(const std::string& reason) {
  session_.reset();
  leads_ = false;
  LogToOperator(kLogStoreMaintenanceFollower,
                "this server no longer leads the scheduled maintenance of " +
                    DescribeDatabase(target_) + ": " + reason);
}

}  // namespace orlentis
