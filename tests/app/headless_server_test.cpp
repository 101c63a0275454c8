#include <gtest/gtest.h>
#include <signal.h>

#include "support/app/listening_home.h"
#include "support/app/orlentis_process.h"
#include "support/base/temp_folder.h"

namespace orlentis::testing {
namespace {

TEST(HeadlessServerTest, ServesRecordersAndStopsCleanlyOnSigterm) {
  TempFolder home;
  const std::uint16_t port = FreePort();
  ASSERT_TRUE(WriteListenSettings(home.Path(), port));
  ChildProcess server(HeadlessLaunch(home.Path()));
  ASSERT_TRUE(AnswersHostCheck(port, 30000)) << server.ErrorOutput();
  server.Signal(SIGTERM);
  EXPECT_EQ(server.Wait(20000), 0);
}

TEST(HeadlessServerTest, PortInUseIsReportedAndTheServerKeepsRunning) {
  TempFolder first;
  TempFolder second;
  const std::uint16_t port = FreePort();
  ASSERT_TRUE(WriteListenSettings(first.Path(), port));
  ASSERT_TRUE(WriteListenSettings(second.Path(), port));
  ChildProcess listening(HeadlessLaunch(first.Path()));
  ASSERT_TRUE(AnswersHostCheck(port, 30000)) << listening.ErrorOutput();
  ChildProcess withoutListener(HeadlessLaunch(second.Path()));
  EXPECT_TRUE(withoutListener.WaitForError("cannot listen on 127.0.0.1:", 30000))
      << withoutListener.ErrorOutput();
  withoutListener.Signal(SIGINT);
  EXPECT_EQ(withoutListener.Wait(20000), 0);
  listening.Signal(SIGTERM);
  EXPECT_EQ(listening.Wait(20000), 0);
}

}  // namespace
}  // namespace orlentis::testing
