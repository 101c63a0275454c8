#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "support/listening_home.h"
#include "support/operator_log_lines.h"
#include "support/orlentis_process.h"
#include "support/temp_folder.h"
#include "support/xvfb_server.h"

namespace orlentis::testing {
namespace {

constexpr int kWaitMs = 30000;
// Longer than the welcome box's second.
constexpr auto kPastWelcome = std::chrono::milliseconds(2000);

ChildProcess::Launch TrayLaunch(const std::filesystem::path& home, const std::string& display) {
  ChildProcess::Launch launch = HeadlessLaunch(home);
  launch.arguments.pop_back();  // --headless
  launch.environment.push_back("DISPLAY=" + display);
  launch.environment.push_back("WAYLAND_DISPLAY=");
  // Under the sanitizers: what the desktop's libraries keep to the end is not ours.
  launch.environment.push_back("LSAN_OPTIONS=suppressions=" ORLENTIS_SOURCE_DIR
                               "/tests/support/system_leaks.supp");
  return launch;
}

// A display number with no X server behind it.
std::string UnusedDisplay() {
  int number = 200;
  while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number))) ++number;
  return ":" + std::to_string(number);
}

bool WindowViewableWithin(const XvfbServer& x, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (x.WindowMapState("Orlentis") == "IsViewable") return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

TEST(TrayProgramTest, OnADesktopWithoutTrayTheWindowStaysWhileTheServerServes) {
  XvfbServer x;
  if (!x.Running()) GTEST_SKIP() << "no Xvfb to run the tray program on";
  TempFolder home;
  const std::uint16_t port = FreePort();
  ASSERT_TRUE(WriteListenSettings(home.Path(), port));
  ChildProcess::Launch launch = TrayLaunch(home.Path(), x.Display());
  // Should the display still fail to open, the toolkit's own reason shows in the failure.
  launch.environment.push_back("QT_LOGGING_RULES=qt.qpa.*.warning=true");
  ChildProcess program(launch);
  ASSERT_TRUE(WindowViewableWithin(x, kWaitMs)) << program.ErrorOutput();
  EXPECT_TRUE(AnswersHostCheck(port, kWaitMs)) << program.ErrorOutput();
  // A bare X server has no tray: the window keeps Login and Close instead of hiding.
  EXPECT_TRUE(program.WaitForError("no system tray", kWaitMs)) << program.ErrorOutput();
  std::this_thread::sleep_for(kPastWelcome);
  EXPECT_EQ(x.WindowMapState("Orlentis"), "IsViewable");
  EXPECT_EQ(program.ErrorOutput().find("headless"), std::string::npos);
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(kWaitMs), 0);
  EXPECT_EQ(x.WindowMapState("Orlentis"), "");
}

TEST(TrayProgramTest, ADisplayThatCannotBeUsedIsToldInOneLineAndTheServerRunsHeadless) {
  TempFolder home;
  const std::uint16_t port = FreePort();
  ASSERT_TRUE(WriteListenSettings(home.Path(), port));
  for (const std::string& display : {std::string(), UnusedDisplay()}) {
    ChildProcess program(TrayLaunch(home.Path(), display));
    EXPECT_TRUE(AnswersHostCheck(port, kWaitMs)) << program.ErrorOutput();
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(kWaitMs), 0);
    const std::string error = program.ErrorOutput();
    EXPECT_TRUE(IsTheOnlyWarningLine(
        error, "warning [app.headless] no display to show the tray program on; running headless"))
        << error;
  }
}

}  // namespace
}  // namespace orlentis::testing
