#pragma once

#include <chrono>

namespace orlentis {

class NetworkWorker;

// The housekeeping timers of the main window, without the window: the tray window drives
// them from its own timers, headless mode from HousekeepingSchedule. They run on the main
// thread, never on the worker; the worker only receives the sweeps it posts. The window hands
// the maintenance to a thread of its own instead (BackgroundMaintenance).
class Housekeeping {
 public:
  static constexpr std::chrono::seconds kSweepPeriod{30};
  static constexpr std::chrono::hours kMaintenancePeriod{1};
  // Every twentieth sweep tick, every ten minutes, also expires idle connections.
  static constexpr int kSweepTicksPerExpirySweep = 20;
  // Every second tick, every minute, an unusable database is checked again.
  static constexpr int kSweepTicksPerDatabaseRecheck = 2;

  // worker may be null (no worker runs): nothing is posted then.
  explicit Housekeeping(NetworkWorker* worker) : worker_(worker) {}

  // The 30-second timer: posts the dead-connection sweep, and every twentieth time the
  // expiry sweep as well; every second time it checks an unusable database again.
  void OnSweepTimer();
  // The hourly timer: RunDueMaintenance() on the calling thread.
  void OnMaintenanceTimer();

 private:
  NetworkWorker* worker_;
  int sweepTicks_ = 0;
  int recheckTicks_ = 0;
};

// Runs the scheduled maintenance when it is due and none is running.
void RunDueMaintenance();

// When each timer of Housekeeping is next due, on the monotonic clock; headless mode sleeps
// until then.
class HousekeepingSchedule {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  using Duration = std::chrono::steady_clock::duration;

  explicit HousekeepingSchedule(TimePoint start)
      : nextSweep_(start + Housekeeping::kSweepPeriod),
        nextMaintenance_(start + Housekeeping::kMaintenancePeriod) {}

  std::chrono::milliseconds TimeUntilNextTimer(TimePoint now) const;
  // Runs each timer that is due at now, once, and schedules its next run one period later.
  void RunDueTimers(Housekeeping& housekeeping, TimePoint now);

 private:
  static TimePoint NextAfter(TimePoint due, TimePoint now, Duration period);

  TimePoint nextSweep_;
  TimePoint nextMaintenance_;
};

}  // namespace orlentis
