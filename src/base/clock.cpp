#include "base/clock.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace orlentis {
namespace {

const SystemClock kSystemClock;
std::atomic<const Clock*> currentClock{&kSystemClock};

// Days from 1 January 1970 to the given proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = static_cast<int>(static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2));
}

const std::int64_t kOleEpochDays = DaysFromCivil(1899, 12, 30);

std::time_t TimeFromLocal(int year, int month, int day, int secondOfDay) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = secondOfDay / 3600;
  local.tm_min = secondOfDay / 60 % 60;
  local.tm_sec = secondOfDay % 60;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

}  // namespace

std::time_t SystemClock::Now() const {
  return std::time(nullptr);
}

std::uint64_t SystemClock::TickMs() const {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void ManualClock::AdvanceSeconds(std::int64_t seconds) {
  now_.fetch_add(static_cast<std::time_t>(seconds));
  tick_.fetch_add(static_cast<std::uint64_t>(seconds * 1000));
}

const Clock& CurrentClock() {
  return *currentClock.load();
}

void SetCurrentClock(const Clock* clock) {
  currentClock.store(clock != nullptr ? clock : &kSystemClock);
}

double OleDateFromLocal(int year, int month, int day, int hour, int minute, int second) {
  const auto days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  return static_cast<double>(days - kOleEpochDays) +
         (hour * 3600.0 + minute * 60.0 + second) / kSecondsPerDay;
}

double OleDateFromTime(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  return OleDateFromLocal(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, local.tm_sec);
}

std::time_t TimeFromOleDate(double oleDate) {
  const double wholeDays = std::floor(oleDate);
  auto secondOfDay = static_cast<int>(std::lround((oleDate - wholeDays) * kSecondsPerDay));
  auto days = static_cast<std::int64_t>(wholeDays) + kOleEpochDays;
  if (secondOfDay >= 86400) {
    secondOfDay -= 86400;
    ++days;
  }
  int year = 0, month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  return TimeFromLocal(year, month, day, secondOfDay);
}

double NowOleDate() {
  return OleDateFromTime(CurrentClock().Now());
}

std::string LocalTimeText(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

std::optional<std::time_t> ParseLocalTimeText(std::string_view text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  const std::string copy(text);
  if (std::sscanf(copy.c_str(), "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute,
                  &second) != 6) {
    return std::nullopt;
  }
  return TimeFromLocal(year, month, day, hour * 3600 + minute * 60 + second);
}

}  // namespace orlentis
