#include "app/startup.h"

#include <signal.h>

#include <iostream>

#include "app/crash_handler.h"
#include "app/options.h"
#include "app/program_files.h"
#include "app/server_run.h"
#include "app/tray_program.h"
#include "base/language.h"
#include "base/operator_log.h"
#include "base/program_folder.h"
#include "base/single_instance.h"

namespace orlentis {
namespace {

constexpr const char* kApplicationName = "Orlentis";
constexpr int kTextSavedDump = 32780;

int PrintVersion() {
  std::cout << "orlentis " << ORLENTIS_VERSION << '\n';
  return kExitOk;
}

bool PrepareFolder(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    LogToOperator(OperatorLevel::kError, "app.folder-unusable",
                  "cannot create the program folder " + folder.string() + ": " + error.message());
    return false;
  }
  return true;
}

// SIGTERM and SIGINT are taken by the main thread alone (sigwait), so every thread started
// later must have them blocked too.
void BlockStopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

}  // namespace

int RunOrlentis(const std::vector<std::string>& arguments) {
  InstallCrashHandler(kApplicationName, "Saved dump file to");
  // From the first moment on, a stop request waits for the server's own clean stop instead of
  // ending the process in the middle of writing its files or compacting its database.
  BlockStopSignals();
  const OptionsResult parsed = ParseOptions(arguments);
  if (!parsed.options) {
    std::cerr << "orlentis: " << parsed.error << '\n';
    return kExitUsage;
  }
  const Options& options = *parsed.options;
  if (options.mode == RunMode::kHelp) {
    std::cout << UsageText();
    return kExitOk;
  }
  if (options.mode == RunMode::kVersion) return PrintVersion();

  const auto folder = ResolveProgramFolder(options);
  if (!PrepareFolder(folder)) return kExitUsage;
  const SingleInstanceLock lock(folder);
  if (!lock.Acquired()) {
    LogToOperator(OperatorLevel::kError, "app.already-running",
                  "another instance is already running in " + folder.string());
    return kExitAlreadyRunning;
  }
  SetProgramFolder(folder);
  LogToOperator(OperatorLevel::kInfo, "app.start",
                std::string("orlentis ") + ORLENTIS_VERSION + " starts in the program folder " +
                    folder.string());
  if (!WriteDefaultProgramFiles(folder)) {
    LogToOperator(OperatorLevel::kWarning, "app.defaults-unwritten",
                  "cannot write the default settings into " + folder.string());
  }
  InstallCrashHandler(kApplicationName, GetLanguageText(kTextSavedDump));
  // A peer that goes away mid-send must cost its connection, never the process.
  ::signal(SIGPIPE, SIG_IGN);

  if (options.mode == RunMode::kTray) {
    if (const auto status = RunTrayProgram()) return *status;
    LogToOperator(OperatorLevel::kWarning, "app.headless",
                  "no display to show the tray program on; running headless");
  }
  return RunHeadlessServer();
}

}  // namespace orlentis
