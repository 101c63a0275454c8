#include "app/startup.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>

#include "app/crash_handler.h"
#include "app/options.h"
#include "app/server_run.h"
#include "app/tray_program.h"
#include "base/default_files.h"
#include "base/language.h"
#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "base/program_folder.h"
#include "base/single_instance.h"
#include "base/text_ids.h"

namespace orlentis {
namespace {

constexpr const char* kApplicationName = "Orlentis";

int PrintVersion() {
  std::cout << "orlentis " << ORLENTIS_VERSION << '\n';
  return kExitOk;
}

void ReportUnusableFolder(const std::string& problem) {
  LogToOperator(kLogAppFolderUnusable, problem);
}

// The server writes its database, settings and lock file into the folder: one it cannot
// write to is said so at once, not taken for a folder held by another instance.
bool PrepareFolder(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    ReportUnusableFolder("cannot create the program folder " + folder.string() + ": " +
                         error.message());
    return false;
  }
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    ReportUnusableFolder("the program folder " + folder.string() +
                         " is not writable: " + std::strerror(errno));
    return false;
  }
  return true;
}

// Gives back the exit status when the folder cannot be taken.
std::optional<int> LockFolder(const SingleInstanceLock& lock, const std::filesystem::path& folder) {
  switch (lock.Outcome()) {
    case SingleInstanceLock::State::kAcquired:
      return std::nullopt;
    case SingleInstanceLock::State::kHeldByAnother:
      LogToOperator(kLogAppAlreadyRunning,
                    "another instance is already running in " + folder.string());
      return kExitAlreadyRunning;
    case SingleInstanceLock::State::kUnusable:
      break;
  }
  ReportUnusableFolder(lock.Problem());
  return kExitUsage;
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
  if (const auto refused = LockFolder(lock, folder)) return *refused;
  SetProgramFolder(folder);
  LogToOperator(kLogAppStart, std::string("orlentis ") + ORLENTIS_VERSION +
                                  " starts in the program folder " + folder.string());
  if (!WriteDefaultProgramFiles(folder)) {
    LogToOperator(kLogAppDefaultsUnwritten,
                  "cannot write the default settings into " + folder.string());
  }
  InstallCrashHandler(kApplicationName, GetLanguageText(kTextSavedDump));
  // A peer that goes away mid-send must cost its connection, never the process.
  ::signal(SIGPIPE, SIG_IGN);

  if (options.mode == RunMode::kTray) {
    if (const auto status = RunTrayProgram()) return *status;
    LogToOperator(kLogAppHeadless, "no display to show the tray program on; running headless");
  }
  return RunHeadlessServer();
}

}  // namespace orlentis
