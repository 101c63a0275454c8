#pragma once

#include <QIcon>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

#include "console/console_login_dialog.h"
#include "console/notice_window.h"

class QMenu;
class QPushButton;
class QSystemTrayIcon;

namespace orlentis {

class DirectoryDoor;
class PropertySheet;
class ServerControl;

// The program's window: a welcome box for a second, then an icon in the system tray with
// the commands Login (open the console) and Close (end the program). Where the desktop has
// no tray the window stays and offers both commands as buttons. It starts the worker and
// owns the housekeeping timers, the tray's activity animation and the console's door to the
// directory: nothing that may wait for the database runs on the window's thread.
class MainWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWelcomeMs = 1000;
  static constexpr int kAnimationPeriodMs = 300;
  static constexpr int kAnimationTicksPerRun = 60;

  explicit MainWindow(ServerControl& server);
  ~MainWindow() override;

  // The window's start: icon and caption, the welcome timer, the worker, the tray, the
  // housekeeping timers; then shows the welcome box.
  void Start();

  // The two commands. Close ends the program once its entry is in the event log.
  void OpenConsole();
  void CloseProgram();
  // Shows the notice box, creating it when none is up.
  void ShowNotice(const QString& title, const QString& text);

  // May be called on any thread: a request took the failure path.
  void NotifyRequestFailure();
  // On this window's thread: starts the activity animation, or restarts its period while it
  // runs (the run still ends 60 ticks after its start).
  void OnRequestFailure();

  // The timers' slots.
  void OnWelcomeTimer();
  void OnAnimationTimer();
  void OnSweepTimer();
  void OnMaintenanceTimer();

  bool HasTray() const { return tray_ != nullptr; }
  int IconId() const { return iconId_; }
  bool IsAnimating() const { return animation_.isActive(); }
  int AnimationTicks() const { return animationTicks_; }
  bool IsConsoleOpen() const { return consoleOpen_; }
  NoticeWindow* Notice() const { return notice_; }
  DirectoryDoor& Door() { return *door_; }

 Q_SIGNALS:
  // The close command passed its login: the worker is stopped and the program should end.
  void ProgramClosed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void SetIcon(int id);
  void SetTooltip(const QString& text);
  void ShowIcon();
  void UpdateIcon();
  void BuildMenu();
  std::optional<ConsoleUser> RunLogin(ConsoleLoginDialog::Mode mode,
                                      QPointer<ConsoleLoginDialog>& slot, QString* name);
  void RunConsole(const ConsoleUser& user);
  void FinishClose();

  ServerControl& server_;
  std::unique_ptr<DirectoryDoor> door_;
  QSystemTrayIcon* tray_ = nullptr;
  QMenu* menu_ = nullptr;
  QPushButton* loginButton_;
  QPushButton* closeButton_;
  int iconId_ = 0;
  QIcon icon_;
  bool iconShown_ = false;

  QTimer welcome_;
  QTimer animation_;
  QTimer sweep_;
  QTimer maintenance_;
  int animationFrame_ = 0;
  int animationTicks_ = 0;

  QPointer<ConsoleLoginDialog> openLogin_;
  QPointer<ConsoleLoginDialog> closeLogin_;
  QPointer<NoticeWindow> notice_;
  bool consoleOpen_ = false;
  bool closing_ = false;
};

}  // namespace orlentis
