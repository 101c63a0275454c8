#include "store/login_failures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "store/bound_statement.h"
#include "store/engine.h"
#include "store_test.h"

namespace orlentis::testing {
namespace {

class SharedLoginFailuresTest : public StoreTest {
 protected:
  SharedLoginFailuresTest() : StoreTest(DatabaseEngine::kPostgres) {}
};

// Servers counting failures of one key at the same moment lose none and see each count once:
// every failure gets a count of its own, one to the number of failures.
TEST_F(SharedLoginFailuresTest, FailuresCountedAtOnceAreAllCounted) {
  constexpr int kServers = 4;
  constexpr int kFailuresEach = 50;
  const DatabaseTarget target = CurrentDatabaseTarget();
  std::mutex mutex;
  std::vector<std::int32_t> counts;
  std::vector<std::thread> servers;
  for (int server = 0; server < kServers; ++server) {
    servers.emplace_back([&] {
      const auto session = OpenSession(target);
      for (int failure = 0; failure < kFailuresEach; ++failure) {
        const std::int32_t count = CountSharedLoginFailure(*session, "address 10.0.0.9", 1000, 60);
        const std::lock_guard lock(mutex);
        counts.push_back(count);
      }
    });
  }
  for (auto& server : servers) server.join();
  std::sort(counts.begin(), counts.end());
  std::vector<std::int32_t> expected(kServers * kFailuresEach);
  std::iota(expected.begin(), expected.end(), 1);
  EXPECT_EQ(counts, expected);
}

// A window that is over starts again at the next failure, and the maintenance forgets such keys;
// other keys keep their own counts.
TEST_F(SharedLoginFailuresTest, AWindowThatIsOverStartsAgain) {
  EXPECT_EQ(CountSharedLoginFailure(Session(), "address 10.0.0.1", 1000, 60), 1);
  EXPECT_EQ(CountSharedLoginFailure(Session(), "address 10.0.0.1", 1059, 60), 2);
  EXPECT_EQ(CountSharedLoginFailure(Session(), "console alice", 1059, 60), 1);
  EXPECT_EQ(CountSharedLoginFailure(Session(), "address 10.0.0.1", 1060, 60), 1);
  EXPECT_EQ(CountSharedLoginFailure(Session(), "address 10.0.0.1", 1070, 60), 2);
  ForgetSharedLoginFailures(Session(), 1060);
  EXPECT_EQ(Count("orlentis_login_failure"), 1);
  EXPECT_EQ(CountSharedLoginFailure(Session(), "console alice", 1070, 60), 1);
}

}  // namespace
}  // namespace orlentis::testing
