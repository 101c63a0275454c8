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
  LogToOperator(OperatorLevel::kInfo, "test.info", "listening on 127.0.0.1:10240");
  LogToOperator(OperatorLevel::kWarning, "test.warning", "first half\nsecond half\r");
  LogToOperator(OperatorLevel::kError, "test.error", "no such table: Nowhere");
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
  LogToOperator(OperatorLevel::kWarning, "test.repeat", "first");
  LogToOperator(OperatorLevel::kWarning, "test.repeat", "second");
  EXPECT_EQ(Lines().size(), 1u);

  clock_.AdvanceSeconds(1);
  LogToOperator(OperatorLevel::kWarning, "test.repeat", "third");
  LogToOperator(OperatorLevel::kWarning, "test.repeat", "fourth");
  LogToOperator(OperatorLevel::kWarning, "test.repeat", "fifth");
  clock_.AdvanceSeconds(1);
  LogToOperator(OperatorLevel::kWarning, "test.repeat", "sixth");
  clock_.AdvanceSeconds(5);
  LogToOperator(OperatorLevel::kWarning, "test.repeat", "seventh");

  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 4u) << log_.str();
  EXPECT_NE(lines[0].find("[test.repeat] first"), std::string::npos);
  EXPECT_NE(lines[1].find("[test.repeat] third (1 similar message suppressed)"), std::string::npos)
      << lines[1];
  EXPECT_NE(lines[2].find("[test.repeat] sixth (2 similar messages suppressed)"), std::string::npos)
      << lines[2];
  EXPECT_EQ(lines[3].find("suppressed"), std::string::npos) << lines[3];
}

TEST_F(OperatorLogTest, IdsAndReasonsAreLimitedApart) {
  LogToOperator(OperatorLevel::kInfo, "test.one", "a");
  LogToOperator(OperatorLevel::kInfo, "test.two", "b");
  LogToOperatorPerReason(OperatorLevel::kWarning, "test.one", "limit", "c");
  LogToOperatorPerReason(OperatorLevel::kWarning, "test.one", "filter", "d");
  LogToOperatorPerReason(OperatorLevel::kWarning, "test.one", "filter", "e");
  LogToOperator(OperatorLevel::kInfo, "test.two", "f");
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 4u) << log_.str();
  EXPECT_NE(lines[2].find("[test.one] c"), std::string::npos);
  EXPECT_NE(lines[3].find("[test.one] d"), std::string::npos);
}

TEST_F(OperatorLogTest, ThreadsLoggingAtOnceLoseNoKeyAndRepeatNone) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      LogToOperatorPerReason(OperatorLevel::kInfo, "test.thread", std::to_string(t), "own");
      for (int i = 0; i < 200; ++i) LogToOperator(OperatorLevel::kInfo, "test.shared", "shared");
    });
  }
  for (auto& thread : threads) thread.join();
  const std::string text = log_.str();
  EXPECT_EQ(Lines().size(), 5u) << text;
  clock_.AdvanceSeconds(1);
  LogToOperator(OperatorLevel::kInfo, "test.shared", "after");
  EXPECT_NE(log_.str().find("after (799 similar messages suppressed)"), std::string::npos);
}

TEST(OperatorLogSinkTest, StandardErrorIsTheSinkAgainOnceACaptureEnds) {
  {
    std::ostringstream captured;
    const OperatorLogCapture capture(captured);
    LogToOperator(OperatorLevel::kInfo, "test.captured", "kept in the stream");
    EXPECT_NE(captured.str().find("kept in the stream"), std::string::npos);
  }
  ::testing::internal::CaptureStderr();
  LogToOperator(OperatorLevel::kError, "test.stderr", "written to standard error");
  const std::string error = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(error.find("error [test.stderr] written to standard error\n"), std::string::npos)
      << error;
}

}  // namespace
}  // namespace orlentis
