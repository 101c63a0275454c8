#pragma once

#include <ctime>

#include "base/clock.h"
#include "directory/console_login.h"

namespace orlentis::shots {

// The password of every account of the demonstration, the Administrator's included.
inline constexpr const char* kDemoPassword = "demo-password";

// A time of the demonstration's two days, 11 and 12 June 2024, in local time.
std::time_t DemoTime(int day, int hour, int minute);

// Fills the program folder's database as a day and a night of a small network leave it: users
// in every default group, the IP filter's ranges, four sites that check in with their cameras
// (one checks out in the evening), console logins and the nightly maintenance, each written
// through the functions the server itself uses, at the times clock is moved to. It ends at
// 09:00 on the 12th with three sites just checked in, and gives back the Administrator's
// console login of that moment. Throws when the database refuses a write.
ConsoleUser FillDemoDatabase(ManualClock& clock);

}  // namespace orlentis::shots
