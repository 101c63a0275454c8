#include "console/directory_door.h"

#include <gtest/gtest.h>

#include <QObject>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "console/door_waits.h"

namespace orlentis::testing {
namespace {

// What the door runs, it runs on its own thread, one at a time in the order asked; the results
// come back on the window's thread, except to a receiver that is gone by then.
TEST(DirectoryDoorTest, RunsInOrderOffTheWindowsThreadAndDropsResultsForWidgetsThatAreGone) {
  DirectoryDoor door;
  const std::thread::id window = std::this_thread::get_id();
  std::vector<int> ran;
  std::atomic<bool> ranOnTheWindowsThread = false;
  std::vector<int> delivered;
  const auto work = [&](int number) {
    return [&, number] {
      if (std::this_thread::get_id() == window) ranOnTheWindowsThread = true;
      ran.push_back(number);
      return number;
    };
  };
  const auto deliver = [&](int number) {
    EXPECT_EQ(std::this_thread::get_id(), window) << number;
    delivered.push_back(number);
  };
  QObject first;
  auto* closed = new QObject;
  QObject last;
  door.Ask(&first, work(1), deliver);
  door.Ask(closed, work(2), deliver);
  door.Ask(&last, work(3), deliver);
  EXPECT_FALSE(door.IsIdle());
  delete closed;
  Settle(door);
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(ranOnTheWindowsThread);
  EXPECT_EQ(delivered, (std::vector<int>{1, 3}));
  EXPECT_TRUE(door.IsIdle());
}

// A change already asked for is not dropped half way when the console closes; nobody is left
// to hear of its result.
TEST(DirectoryDoorTest, ClosingLetsWhatWasAskedRunToItsEnd) {
  std::atomic<bool> finished = false;
  bool delivered = false;
  QObject receiver;
  {
    DirectoryDoor door;
    door.Ask(
        &receiver,
        [&finished] {
          std::this_thread::sleep_for(std::chrono::milliseconds(200));
          finished = true;
          return true;
        },
        [&delivered](bool) { delivered = true; });
  }
  EXPECT_TRUE(finished);
  EXPECT_FALSE(delivered);
}

}  // namespace
}  // namespace orlentis::testing
