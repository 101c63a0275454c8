#include "base/clock.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "base/profile_file.h"

namespace orlentis {
namespace {

// OLE dates are local times: pin the zone so that the expected numbers hold anywhere.
class ClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
  }
  void TearDown() override {
    ::unsetenv("TZ");
    ::tzset();
    SetCurrentClock(nullptr);
  }
};

TEST_F(ClockTest, OleDatesCountDaysFromTheEndOf1899) {
  EXPECT_DOUBLE_EQ(OleDateFromLocal(1899, 12, 30, 0, 0, 0), 0.0);
  EXPECT_DOUBLE_EQ(OleDateFromLocal(1900, 1, 1, 12, 0, 0), 2.5);
  EXPECT_DOUBLE_EQ(OleDateFromLocal(2000, 1, 1, 0, 0, 0), 36526.0);
  EXPECT_DOUBLE_EQ(OleDateFromLocal(2026, 12, 8, 18, 0, 0), 46364.75);
}

TEST_F(ClockTest, ConversionsRoundTripThroughLocalTime) {
  for (const std::time_t time : {std::time_t{0}, std::time_t{951782400},  // leap day 2000
                                 std::time_t{1711846800},                 // DST change day
                                 std::time_t{1796750000}}) {
    EXPECT_EQ(TimeFromOleDate(OleDateFromTime(time)), time);
    EXPECT_EQ(ParseLocalTimeText(LocalTimeText(time)), time);
  }
  EXPECT_EQ(LocalTimeText(0), "1970-01-01 01:00:00");
  EXPECT_EQ(ParseLocalTimeText("not a time"), std::nullopt);
}

TEST_F(ClockTest, ManualClockDrivesNow) {
  ManualClock clock(1796750000);
  SetCurrentClock(&clock);
  const double before = NowOleDate();
  const auto tickBefore = CurrentClock().TickMs();
  clock.AdvanceSeconds(3600);
  EXPECT_NEAR(NowOleDate() - before, 3600.0 / kSecondsPerDay, 1e-9);
  EXPECT_EQ(CurrentClock().TickMs() - tickBefore, 3'600'000u);
  SetCurrentClock(nullptr);
  EXPECT_NEAR(static_cast<double>(CurrentClock().Now()), static_cast<double>(std::time(nullptr)),
              5.0);
}

TEST(ProfileIntTest, ReadsLeadingDecimalDigits) {
  EXPECT_EQ(ParseProfileInt("12abc"), 12);
  EXPECT_EQ(ParseProfileInt("abc"), 0);
  EXPECT_EQ(ParseProfileInt(""), 0);
  EXPECT_EQ(ParseProfileInt("  42"), 42);
  EXPECT_EQ(ParseProfileInt("-17x"), -17);
  EXPECT_EQ(ParseProfileInt("0x10"), 0);
  EXPECT_EQ(ParseProfileInt("7 days"), 7);
  EXPECT_EQ(ParseProfileInt("99999999999"), 2147483647);
  EXPECT_EQ(ParseProfileInt("-99999999999"), -2147483647 - 1);
}

}  // namespace
}  // namespace orlentis
