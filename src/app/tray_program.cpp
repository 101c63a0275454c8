#include "app/tray_program.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "app/options.h"
#include "app/server.h"
#include "app/server_run.h"
#include "base/program_folder.h"
#include "base/settings.h"
#include "console/main_window.h"
#include "store/store_startup.h"

namespace orlentis {
namespace {

// Always starts, so that its coming up means that none of the real platforms could.
constexpr const char* kFallbackPlatform = "offscreen";

// The server's signals, blocked in every thread, arrive here as readable data for the event
// loop; each is handed to onSignal.
class ServerSignalReader {
 public:
  explicit ServerSignalReader(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
    const sigset_t serverSignals = ServerSignals();
    fd_ = ::signalfd(-1, &serverSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
      signalfd_siginfo info{};
      if (::read(fd_, &info, sizeof info) > 0) onSignal_(static_cast<int>(info.ssi_signo));
    });
  }
  ~ServerSignalReader() {
    notifier_.reset();
    ::close(fd_);
  }
  ServerSignalReader(const ServerSignalReader&) = delete;
  ServerSignalReader& operator=(const ServerSignalReader&) = delete;

 private:
  std::function<void(int)> onSignal_;
  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
};

// The application object on the desktop's display, or nothing when there is none to use.
std::unique_ptr<QApplication> OpenDisplay() {
  static int argc = 3;
  static QByteArray platforms;
  static char name[] = "orlentis";
  static char option[] = "-platform";
  static char* argv[] = {name, option, nullptr, nullptr};
  const bool chosen = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
  if (chosen) {
    argc = 1;
  } else {
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    if (!wayland && !x11) return nullptr;
    platforms = QByteArray(wayland ? "wayland;" : "") + (x11 ? "xcb;" : "") + kFallbackPlatform;
    argv[2] = platforms.data();
  }
  // A display that cannot be used is told in one line by the caller, not by the toolkit.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.*=false\ndefault.warning=false"));
  auto application = std::make_unique<QApplication>(argc, argv);
  QLoggingCategory::setFilterRules(QString());
  if (!chosen && application->platformName() == QLatin1String(kFallbackPlatform)) return nullptr;
  return application;
}

}  // namespace

std::optional<int> RunTrayProgram() {
  // SIGHUP would end the process by default; here, as headless, it means "read the settings
  // again". It is blocked before the toolkit starts threads of its own, as the stop signals are.
  const sigset_t serverSignals = ServerSignals();
  pthread_sigmask(SIG_BLOCK, &serverSignals, nullptr);
  const auto application = OpenDisplay();
  if (!application) return std::nullopt;
  // Database, start-up maintenance and the "Start" entry come before the window and the
  // worker it starts.
  if (!RunStoreStartup(ProgramFolder())) return kExitDatabaseRefused;
  Settings& settings = Settings::Instance();
  Server server(settings, WorkerOptions::FromSettings(settings));
  MainWindow window(server);
  std::string stopReason = "stopping on Close in the window";
  const ServerSignalReader signalReader([&](int signalNumber) {
    if (signalNumber == SIGHUP) {
      ReloadOnHangUp(server, settings);
      return;
    }
    stopReason = StopReason(signalNumber);
    QCoreApplication::exit(kExitOk);
  });
  QObject::connect(&window, &MainWindow::ProgramClosed, application.get(),
                   [] { QCoreApplication::exit(kExitOk); });
  window.Start();
  if (!window.HasTray()) {
    std::cerr << "orlentis: the desktop has no system tray; the window stays open with Login "
                 "and Close\n";
  }
  const int status = application->exec();
  StopServer(server, stopReason);
  return status;
}

}  // namespace orlentis
