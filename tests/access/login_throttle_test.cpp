#include "access/login_throttle.h"

#include <gtest/gtest.h>

namespace orlentis {
namespace {

// Only failures within one window count toward a cool-down, a cool-down ends on time, and a
// throttle set to zero failures never starts one.
TEST(LoginThrottleTest, OnlyFailuresWithinTheWindowCount) {
  const LoginThrottleLimits limits{3, 60, 300};
  LoginThrottle throttle;
  std::time_t now = 1000;
  EXPECT_FALSE(throttle.RecordFailure("10.0.0.1", now, limits));
  EXPECT_FALSE(throttle.RecordFailure("10.0.0.1", now += 30, limits));
  EXPECT_FALSE(throttle.RecordFailure("10.0.0.1", now += 31, limits)) << "the first fell out";
  EXPECT_FALSE(throttle.RecordFailure("10.0.0.2", now, limits));
  EXPECT_TRUE(throttle.RecordFailure("10.0.0.1", now += 1, limits));
  EXPECT_TRUE(throttle.IsCoolingDown("10.0.0.1", now + 299));
  EXPECT_FALSE(throttle.IsCoolingDown("10.0.0.2", now));
  EXPECT_FALSE(throttle.IsCoolingDown("10.0.0.1", now + 300));

  const LoginThrottleLimits off{0, 60, 300};
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(throttle.RecordFailure("10.0.0.3", now, off));
  EXPECT_FALSE(throttle.IsCoolingDown("10.0.0.3", now));
}

}  // namespace
}  // namespace orlentis
