// Preloaded before libfaketime by bench/maintenance-slots, for the two waits of a server that
// libfaketime 0.9.10 leaves at real time whatever the speed of its clock:
// - libstdc++'s condition_variable waits through pthread_cond_clockwait on the monotonic clock.
//   Its deadline, taken on the sped-up clock, lies ever further ahead of the real one, and a
//   timed wait (a server's heartbeat, its tries for the maintenance lead) would never end. Here
//   it goes through pthread_cond_timedwait, which libfaketime shortens.
// - sigtimedwait, with which a headless server sleeps until its next housekeeping timer: its
//   timeout is shortened here by the speed that FAKETIME ends with ("... x2880").
#include <dlfcn.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr long kNanosecondsPerSecond = 1'000'000'000;

timespec Normalised(timespec time) {
  while (time.tv_nsec < 0) {
    time.tv_nsec += kNanosecondsPerSecond;
    --time.tv_sec;
  }
  while (time.tv_nsec >= kNanosecondsPerSecond) {
    time.tv_nsec -= kNanosecondsPerSecond;
    ++time.tv_sec;
  }
  return time;
}

// The time left until deadline on clock, as a deadline on the real-time clock, both as the
// process sees them.
timespec RealTimeDeadline(clockid_t clock, const timespec& deadline) {
  timespec now{};
  clock_gettime(clock, &now);
  timespec wall{};
  clock_gettime(CLOCK_REALTIME, &wall);
  wall.tv_sec += deadline.tv_sec - now.tv_sec;
  wall.tv_nsec += deadline.tv_nsec - now.tv_nsec;
  return Normalised(wall);
}

double ClockSpeed() {
  const char* setting = std::getenv("FAKETIME");
  const char* mark = setting != nullptr ? std::strrchr(setting, 'x') : nullptr;
  const double speed = mark != nullptr ? std::strtod(mark + 1, nullptr) : 1.0;
  return speed > 0 ? speed : 1.0;
}

}  // namespace

// std::condition_variable's condition uses the default, real-time clock.
extern "C" int pthread_cond_clockwait(pthread_cond_t* condition, pthread_mutex_t* mutex,
                                      clockid_t clock, const timespec* deadline) {
  const timespec wall = RealTimeDeadline(clock, *deadline);
  return pthread_cond_timedwait(condition, mutex, &wall);
}

extern "C" int sigtimedwait(const sigset_t* signals, siginfo_t* info, const timespec* timeout) {
  using Wait = int (*)(const sigset_t*, siginfo_t*, const timespec*);
  static const auto wait = reinterpret_cast<Wait>(dlsym(RTLD_NEXT, "sigtimedwait"));
  if (timeout == nullptr) return wait(signals, info, nullptr);
  static const double speed = ClockSpeed();
  const double seconds =
      (static_cast<double>(timeout->tv_sec) + static_cast<double>(timeout->tv_nsec) / 1e9) / speed;
  const double whole = std::floor(seconds);
  const timespec shortened{
      static_cast<time_t>(whole),
      static_cast<long>((seconds - whole) * static_cast<double>(kNanosecondsPerSecond))};
  return wait(signals, info, &shortened);
}
