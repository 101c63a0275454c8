#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "base/settings.h"
#include "store/bound_statement.h"
#include "store/engine.h"
#include "support/app/listening_home.h"
#include "support/app/orlentis_process.h"
#include "support/app/xvfb_server.h"
#include "support/base/operator_log_lines.h"
#include "support/base/temp_folder.h"

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
                               "/tests/support/app/system_leaks.supp");
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

int LogRows(soci::session& session, const std::string& where = "1 = 1") {
  int rows = 0;
  BoundStatement(session, "SELECT COUNT(*) FROM Log WHERE " + where).Into(rows).Execute();
  return rows;
}

bool ReloadEntryWithin(soci::session& session, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (LogRows(session, "strAction = 'Reload settings'") > 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// SIGHUP, which orlentis-admin and the README tell the operator to send after a change, reads
// Setting.ini again as in headless mode, and the program goes on; a stop then says so in the
// operator's log as headless mode does.
TEST(TrayProgramTest, SighupReadsTheSettingsAgainAndTheProgramGoesOn) {
  XvfbServer x;
  if (!x.Running()) GTEST_SKIP() << "no Xvfb to run the tray program on";
  TempFolder home;
  const std::uint16_t port = FreePort();
  ASSERT_TRUE(WriteListenSettings(home.Path(), port));
  ChildProcess program(TrayLaunch(home.Path(), x.Display()));
  ASSERT_TRUE(WindowViewableWithin(x, kWaitMs)) << program.ErrorOutput();
  ASSERT_TRUE(AnswersHostCheck(port, kWaitMs)) << program.ErrorOutput();
  const auto database = OpenSession(home / "OrlentisDB.db");
  // Ten entries more than the coming limit keeps.
  ExecuteScript(*database,
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10) "
                "INSERT INTO Log (time, strSource, strAction, strDetail) "
                "SELECT '2026-01-01 00:00:00', 'test', 'filler', 'entry ' || i FROM n;");
  Settings edited(home / "Setting.ini");
  edited.SetLogLimits(LogLimits{3, 30, 0});
  ASSERT_TRUE(edited.Save());

  program.Signal(SIGHUP);
  ASSERT_TRUE(ReloadEntryWithin(*database, kWaitMs)) << program.ErrorOutput();
  // The reload's one entry is the newest of the three the new limit keeps.
  EXPECT_EQ(LogRows(*database), 3);
  EXPECT_EQ(LogRows(*database, "strAction = 'Reload settings'"), 1);
  EXPECT_TRUE(AnswersHostCheck(port, kWaitMs)) << program.ErrorOutput();
  EXPECT_EQ(x.WindowMapState("Orlentis"), "IsViewable");

  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(kWaitMs), 0);
  const std::string error = program.ErrorOutput();
  const auto reloaded = error.find("[app.settings-reloaded]");
  EXPECT_NE(reloaded, std::string::npos) << error;
  EXPECT_EQ(error.find("[app.settings-reloaded]", reloaded + 1), std::string::npos) << error;
  const auto stopping = error.find("info [app.stopping] stopping on SIGTERM");
  EXPECT_NE(stopping, std::string::npos) << error;
  EXPECT_NE(error.find("info [app.stopped] stopped", stopping), std::string::npos) << error;
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
