#include "base/operator_log.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/clock.h"

namespace orlentis {
namespace {

class OperatorLogTest : public ::testing::Test {
 protected:
  OperatorLogTest() { SetCurrentClock(&clock_); }
  ~OperatorLogTest() override { SetCurrentClock(nullptr); }

  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::istringstream text(log_.str());
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

  ManualClock clock_{1'700'000'000};
  std::ostringstream log_;
  OperatorLogCapture capture_{log_};
};

TEST_F(OperatorLogTest, EachMessageIsOneLineWithLevelIdAndText) {
  LogToOperator({"test.info", OperatorLevel::kInfo}, "listening on 127.0.0.1:10240");
  LogToOperator({"test.warning", OperatorLevel::kWarning}, "first half\nsecond half\r");
  LogToOperator({"test.error", OperatorLevel::kError}, "no such table: Nowhere");
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 3u) << log_.str();
  EXPECT_NE(lines[0].find(" orlentis info [test.info] listening on 127.0.0.1:10240"),
            std::string::npos)
      << lines[0];
  EXPECT_NE(lines[1].find(" warning [test.warning] first half second half "), std::string::npos)
      << lines[1];
  EXPECT_NE(lines[2].find(" error [test.error] no such table: Nowhere"), std::string::npos)
      << lines[2];
}

TEST_F(OperatorLogTest, RepeatsWithinASecondAreCountedOnTheNextLineThatGetsThrough) {
  LogToOperator({"test.repeat", OperatorLevel::kWarning}, "first");
  LogToOperator({"test.repeat", OperatorLevel::kWarning}, "second");
  EXPECT_EQ(Lines().size(), 1u);

  clock_.AdvanceSeconds(1);
  LogToOperator({"test.repeat", OperatorLevel::kWarning}, "third");
  LogToOperator({"test.repeat", OperatorLevel::kWarning}, "fourth");
  LogToOperator({"test.repeat", OperatorLevel::kWarning}, "fifth");
  clock_.AdvanceSeconds(1);
  LogToOperator({"test.repeat", OperatorLevel::kWarning}, "sixth");
  clock_.AdvanceSeconds(5);
  LogToOperator({"test.repeat", OperatorLevel::kWarning}, "seventh");

  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 4u) << log_.str();
  EXPECT_NE(lines[0].find("[test.repeat] first"), std::string::npos);
  EXPECT_NE(lines[1].find("[test.repeat] third (1 similar message suppressed)"), std::string::npos)
      << lines[1];
  EXPECT_NE(lines[2].find("[test.repeat] sixth (2 similar messages suppressed)"), std::string::npos)
      << lines[2];
  EXPECT_EQ(lines[3].find("suppressed"), std::string::npos) << lines[3];
}

// Nothing of a burst is lost when no message of its id follows: once its second has ended,
// the last one is written with the count of those before it, at the housekeeping's tick or at
// the next line of another id.
TEST_F(OperatorLogTest, TheLastOfABurstFollowedBySilenceIsWrittenWithItsCount) {
  for (const char* text : {"first", "second", "third"}) {
    LogToOperator({"test.burst", OperatorLevel::kWarning}, text);
    LogToOperatorPerReason({"test.other", OperatorLevel::kInfo}, "why", text);
  }
  WriteHeldBackOperatorMessages();
  EXPECT_EQ(Lines().size(), 2u) << log_.str();

  clock_.AdvanceSeconds(1);
  WriteHeldBackOperatorMessages();
  // Within the second of the line just written: held back in turn.
  LogToOperator({"test.burst", OperatorLevel::kWarning}, "second burst");
  LogToOperator({"test.burst", OperatorLevel::kWarning}, "last");
  clock_.AdvanceSeconds(1);
  LogToOperator({"test.next", OperatorLevel::kInfo}, "another id");

  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 6u) << log_.str();
  // The keys of one tick come in no particular order.
  const std::string tick = lines[2] + '\n' + lines[3];
  EXPECT_NE(tick.find(" warning [test.burst] third (1 similar message suppressed)"),
            std::string::npos)
      << log_.str();
  EXPECT_NE(tick.find(" info [test.other] third (1 similar message suppressed)"), std::string::npos)
      << log_.str();
  EXPECT_NE(lines[4].find("[test.burst] last (1 similar message suppressed)"), std::string::npos)
      << log_.str();
  EXPECT_NE(lines[5].find("[test.next] another id"), std::string::npos);
}

TEST_F(OperatorLogTest, IdsAndReasonsAreLimitedApart) {
  LogToOperator({"test.one", OperatorLevel::kInfo}, "a");
  LogToOperator({"test.two", OperatorLevel::kInfo}, "b");
  LogToOperatorPerReason({"test.one", OperatorLevel::kWarning}, "limit", "c");
  LogToOperatorPerReason({"test.one", OperatorLevel::kWarning}, "filter", "d");
  LogToOperatorPerReason({"test.one", OperatorLevel::kWarning}, "filter", "e");
  LogToOperator({"test.two", OperatorLevel::kInfo}, "f");
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 4u) << log_.str();
  EXPECT_NE(lines[2].find("[test.one] c"), std::string::npos);
  EXPECT_NE(lines[3].find("[test.one] d"), std::string::npos);
}

TEST_F(OperatorLogTest, ThreadsLoggingAtOnceLoseNoKeyAndRepeatNone) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      LogToOperatorPerReason({"test.thread", OperatorLevel::kInfo}, std::to_string(t), "own");
      for (int i = 0; i < 200; ++i) LogToOperator({"test.shared", OperatorLevel::kInfo}, "shared");
    });
  }
  for (auto& thread : threads) thread.join();
  const std::string text = log_.str();
  EXPECT_EQ(Lines().size(), 5u) << text;
  clock_.AdvanceSeconds(1);
  LogToOperator({"test.shared", OperatorLevel::kInfo}, "after");
  EXPECT_NE(log_.str().find("after (799 similar messages suppressed)"), std::string::npos);
}

TEST(OperatorLogSinkTest, StandardErrorIsTheSinkAgainOnceACaptureEnds) {
  {
    std::ostringstream captured;
    const OperatorLogCapture capture(captured);
    LogToOperator({"test.captured", OperatorLevel::kInfo}, "kept in the stream");
    EXPECT_NE(captured.str().find("kept in the stream"), std::string::npos);
  }
  ::testing::internal::CaptureStderr();
  LogToOperator({"test.stderr", OperatorLevel::kError}, "written to standard error");
  const std::string error = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(error.find("error [test.stderr] written to standard error\n"), std::string::npos)
      << error;
}

}  // namespace
}  // namespace orlentis
