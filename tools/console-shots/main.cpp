// orlentis-console-shots: the console's windows drawn off screen against a demonstration
// database, for the README and for review.

#include <QApplication>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "base/clock.h"
#include "console_shots.h"
#include "demo_database.h"
#include "demo_home.h"
#include "shot_options.h"
#include "store/schema.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// The pictures come out the same wherever they are drawn: no display, one time zone, and the
// demonstration's own clock.
void FixSurroundings() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  ::setenv(orlentis::kAdminPasswordVariable, orlentis::shots::kDemoPassword, 1);
}

// The offscreen platform says so each time a window asks it for something it does not do.
void DropOffscreenNotices(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
  if (message.startsWith(QLatin1String("This plugin does not support"))) return;
  std::cerr << qFormatLogMessage(type, context, message).toStdString() << '\n';
}

void Run(const orlentis::shots::ShotOptions& options, orlentis::ManualClock& clock) {
  const orlentis::shots::DemoHome home(options.home);
  const orlentis::ConsoleUser user = orlentis::shots::FillDemoDatabase(clock);
  std::filesystem::create_directories(options.out);
  for (const auto& file : orlentis::shots::TakeConsoleShots(options.out, user)) {
    std::cout << file.string() << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  const auto parsed =
      orlentis::shots::ParseShotOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.options) {
    std::cerr << "orlentis-console-shots: " << parsed.error << '\n'
              << orlentis::shots::ShotUsageText();
    return kExitUsage;
  }
  if (parsed.options->help) {
    std::cout << orlentis::shots::ShotUsageText();
    return EXIT_SUCCESS;
  }
  FixSurroundings();
  qInstallMessageHandler(DropOffscreenNotices);
  QApplication application(argc, argv);
  orlentis::ManualClock clock(orlentis::shots::DemoTime(11, 7, 55));
  orlentis::SetCurrentClock(&clock);
  int status = EXIT_SUCCESS;
  try {
    Run(*parsed.options, clock);
  } catch (const std::exception& error) {
    std::cerr << "orlentis-console-shots: " << error.what() << '\n';
    status = kExitFailed;
  }
  orlentis::SetCurrentClock(nullptr);
  return status;
}
