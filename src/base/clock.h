#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace orlentis {

// Every "now" of the program comes from here, so that tests can move time: sweeps,
// connection expiry, the maintenance schedule, stale sites and the age of log entries.
class Clock {
 public:
  virtual ~Clock() = default;
  // Wall-clock time in whole seconds since 1970 (converted to local time where shown or stored).
  virtual std::time_t Now() const = 0;
  // A monotonic millisecond count for measuring durations.
  virtual std::uint64_t TickMs() const = 0;
};

class SystemClock final : public Clock {
 public:
  std::time_t Now() const override;
  std::uint64_t TickMs() const override;
};

// A clock that stands still until told to move; both readings move together.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(std::time_t start) : now_(start) {}
  std::time_t Now() const override { return now_.load(); }
  std::uint64_t TickMs() const override { return tick_.load(); }
  void Set(std::time_t now) { now_.store(now); }
  void AdvanceSeconds(std::int64_t seconds);

 private:
  std::atomic<std::time_t> now_;
  std::atomic<std::uint64_t> tick_{1'000'000};
};

const Clock& CurrentClock();
// Replaces the process clock; nullptr restores the system clock. The clock must outlive its use.
void SetCurrentClock(const Clock* clock);

inline constexpr double kSecondsPerDay = 86400.0;

// OLE automation dates: days since 30 December 1899 00:00 local time, the fraction being the
// time of day. Stored in Site.dCheckInTime, the maintenance schedule and idle deadlines.
double OleDateFromTime(std::time_t time);
std::time_t TimeFromOleDate(double oleDate);
double OleDateFromLocal(int year, int month, int day, int hour, int minute, int second);
// Now, to the second, as an OLE automation date.
double NowOleDate();

// "YYYY-MM-DD HH:MM:SS" in local time, the form of Log.time.
std::string LocalTimeText(std::time_t time);
std::optional<std::time_t> ParseLocalTimeText(std::string_view text);

}  // namespace orlentis
