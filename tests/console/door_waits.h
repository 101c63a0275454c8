#pragma once

#include <gtest/gtest.h>

#include <chrono>

#include "console/directory_door.h"

namespace orlentis::testing {

// Far longer than any operation of these tests takes, a busy timeout included.
inline constexpr std::chrono::seconds kDoorPatience{30};

// Lets the door run everything asked of it and deliver the results, as the window's event loop
// does; fails the test when the door does not finish.
inline void Settle(DirectoryDoor& door) {
  EXPECT_TRUE(door.WaitUntilIdle(kDoorPatience)) << "the directory door did not finish";
}

}  // namespace orlentis::testing
