#include "app/housekeeping.h"

#include <algorithm>

#include "base/operator_log.h"
#include "net/network_worker.h"
#include "store/database_maintenance.h"
#include "store/store_startup.h"

namespace orlentis {

void Housekeeping::OnSweepTimer() {
  WriteHeldBackOperatorMessages();
  if (++recheckTicks_ >= kSweepTicksPerDatabaseRecheck) {
    recheckTicks_ = 0;
    RecheckUnusableDatabase();
  }
  if (worker_ == nullptr) return;
  worker_->PostDeadConnectionSweep();
  if (++sweepTicks_ >= kSweepTicksPerExpirySweep) {
    sweepTicks_ = 0;
    worker_->PostExpirySweep();
  }
}

void Housekeeping::OnMaintenanceTimer() {
  RunDueMaintenance();
}

void RunDueMaintenance() {
  DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  if (maintenance.IsMaintenanceDue() && !maintenance.IsMaintenanceRunning()) {
    maintenance.RunMaintenance();
  }
}

std::chrono::milliseconds HousekeepingSchedule::TimeUntilNextTimer(TimePoint now) const {
  const auto next = std::min(nextSweep_, nextMaintenance_);
  return std::max(std::chrono::milliseconds(0),
                  std::chrono::ceil<std::chrono::milliseconds>(next - now));
}

// A timer that fell behind (a long maintenance, a suspended machine) fires once and goes on
// from now, as window timers do, instead of catching up with a burst.
HousekeepingSchedule::TimePoint HousekeepingSchedule::NextAfter(TimePoint due, TimePoint now,
                                                                Duration period) {
  return std::max(due + period, now + period);
}

void HousekeepingSchedule::RunDueTimers(Housekeeping& housekeeping, TimePoint now) {
  if (nextSweep_ <= now) {
    housekeeping.OnSweepTimer();
    nextSweep_ = NextAfter(nextSweep_, now, Housekeeping::kSweepPeriod);
  }
  if (nextMaintenance_ <= now) {
    housekeeping.OnMaintenanceTimer();
    nextMaintenance_ = NextAfter(nextMaintenance_, now, Housekeeping::kMaintenancePeriod);
  }
}

}  // namespace orlentis
