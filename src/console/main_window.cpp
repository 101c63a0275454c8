#include "console/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QVBoxLayout>
#include <array>

#include "base/language.h"
#include "base/text_ids.h"
#include "console/console_sheet.h"
#include "console/directory_door.h"
#include "console/server_control.h"
#include "console/tray_icons.h"
#include "directory/console_login.h"

namespace orlentis {
namespace {

constexpr int kSweepPeriodMs = 30'000;
constexpr int kMaintenancePeriodMs = 3'600'000;
constexpr int kMaxTooltip = 127;

// The animation's frames, forth and back; the middle one is the normal icon.
constexpr std::array kAnimationFrames{kIconActivity1, kIconActivity2, kIconActivity3, kIconNormal,
                                      kIconActivity3, kIconActivity2, kIconActivity1};

QString Text(int id) {
  return QString::fromStdString(GetLanguageText(id));
}

}  // namespace

MainWindow::MainWindow(ServerControl& server)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      server_(server),
      door_(std::make_unique<DirectoryDoor>()),
      loginButton_(new QPushButton(this)),
      closeButton_(new QPushButton(this)) {
  welcome_.setSingleShot(true);
  connect(&welcome_, &QTimer::timeout, this, &MainWindow::OnWelcomeTimer);
  connect(&animation_, &QTimer::timeout, this, &MainWindow::OnAnimationTimer);
  connect(&sweep_, &QTimer::timeout, this, &MainWindow::OnSweepTimer);
  connect(&maintenance_, &QTimer::timeout, this, &MainWindow::OnMaintenanceTimer);
  connect(loginButton_, &QPushButton::clicked, this, &MainWindow::OpenConsole);
  connect(closeButton_, &QPushButton::clicked, this, &MainWindow::CloseProgram);
  if (QSystemTrayIcon::isSystemTrayAvailable()) tray_ = new QSystemTrayIcon(this);
}

// The worker calls back into this window; it must be gone first, and before it the door,
// so that nothing asked of it still runs. The notice has no owner window, so that it stands
// on its own; it goes with the program all the same.
MainWindow::~MainWindow() {
  door_.reset();
  server_.StopWorker();
  delete notice_;
}

void MainWindow::Start() {
  // The program lives in the tray: a closed dialog or notice is never the last window.
  QApplication::setQuitOnLastWindowClosed(false);
  SetIcon(kIconNormal);
  setWindowTitle(Text(kTextProgramName));
  SetTooltip(Text(kTextProgramName));
  if (tray_ != nullptr) menu_ = new QMenu(this);
  welcome_.start(kWelcomeMs);
  server_.StartWorker([this] { NotifyRequestFailure(); });
  ShowIcon();
  animationFrame_ = 0;
  animationTicks_ = 0;

  auto* welcome = new QLabel(Text(kTextWelcome), this);
  QFont font = welcome->font();
  font.setPointSizeF(font.pointSizeF() * 1.5);
  font.setBold(true);
  welcome->setFont(font);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(loginButton_);
  buttons->addWidget(closeButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(welcome, 0, Qt::AlignCenter);
  layout->addWidget(new QLabel(Text(kTextVersion), this), 0, Qt::AlignCenter);
  layout->addLayout(buttons);
  BuildMenu();

  sweep_.start(kSweepPeriodMs);
  maintenance_.start(kMaintenancePeriodMs);
  show();
}

void MainWindow::BuildMenu() {
  loginButton_->setText(Text(kTextLogin));
  closeButton_->setText(Text(kTextClose));
  loginButton_->setVisible(tray_ == nullptr);
  closeButton_->setVisible(tray_ == nullptr);
  if (menu_ == nullptr) return;
  QAction* login = menu_->addAction(Text(kTextLogin), this, &MainWindow::OpenConsole);
  menu_->addAction(Text(kTextClose), this, &MainWindow::CloseProgram);
  menu_->setDefaultAction(login);
  tray_->setContextMenu(menu_);
}

void MainWindow::SetIcon(int id) {
  iconId_ = id;
  icon_ = TrayIcon(id);
}

void MainWindow::SetTooltip(const QString& text) {
  if (tray_ != nullptr) tray_->setToolTip(text.left(kMaxTooltip));
}

void MainWindow::ShowIcon() {
  if (tray_ != nullptr && !iconShown_) {
    tray_->setIcon(icon_);
    tray_->show();
    iconShown_ = true;
  }
  setWindowIcon(icon_);
}

// Without a tray the window's own icon shows the activity.
void MainWindow::UpdateIcon() {
  if (iconShown_) tray_->setIcon(icon_);
  setWindowIcon(icon_);
}

void MainWindow::OnWelcomeTimer() {
  welcome_.stop();
  if (tray_ == nullptr) return;
  ShowIcon();
  hide();
}

void MainWindow::NotifyRequestFailure() {
  QMetaObject::invokeMethod(this, &MainWindow::OnRequestFailure, Qt::QueuedConnection);
}

void MainWindow::OnRequestFailure() {
  animation_.start(kAnimationPeriodMs);
}

void MainWindow::OnAnimationTimer() {
  ++animationTicks_;
  SetIcon(kAnimationFrames[animationFrame_]);
  animationFrame_ = (animationFrame_ + 1) % static_cast<int>(kAnimationFrames.size());
  if (animationTicks_ >= kAnimationTicksPerRun) {
    animationTicks_ = 0;
    animationFrame_ = 0;
    SetIcon(kIconNormal);
    animation_.stop();
  }
  UpdateIcon();
}

void MainWindow::OnSweepTimer() {
  server_.OnSweepTimer();
}

void MainWindow::OnMaintenanceTimer() {
  server_.OnMaintenanceTimer();
}

void MainWindow::ShowNotice(const QString& title, const QString& text) {
  if (notice_ == nullptr) notice_ = new NoticeWindow;
  notice_->Show(title, text);
}

std::optional<ConsoleUser> MainWindow::RunLogin(ConsoleLoginDialog::Mode mode,
                                                QPointer<ConsoleLoginDialog>& slot, QString* name) {
  ConsoleLoginDialog dialog(*door_, mode);
  slot = &dialog;
  const int result = dialog.exec();
  slot = nullptr;
  if (result != QDialog::Accepted) return std::nullopt;
  if (name != nullptr) *name = dialog.UserName();
  return dialog.User();
}

void MainWindow::OpenConsole() {
  // While a notice is up the console stays shut; the notice comes back instead.
  if (notice_ != nullptr) {
    ShowNotice(Text(kTextProgramName), Text(kTextRestartToApply));
    return;
  }
  if (openLogin_ != nullptr || consoleOpen_ || closing_) return;
  consoleOpen_ = true;
  if (const auto user = RunLogin(ConsoleLoginDialog::Mode::kOpenConsole, openLogin_, nullptr)) {
    RunConsole(*user);
  }
  consoleOpen_ = false;
}

void MainWindow::RunConsole(const ConsoleUser& user) {
  ConsoleSheet sheet(*door_, user);
  if (sheet.exec() != QDialog::Accepted) return;
  // The listener keeps its address and port until the next start.
  if (sheet.RestartNeeded()) ShowNotice(Text(kTextProgramName), Text(kTextRestartToApply));
}

void MainWindow::CloseProgram() {
  if (closeLogin_ != nullptr || closing_) return;
  QString name;
  if (!RunLogin(ConsoleLoginDialog::Mode::kCloseProgram, closeLogin_, &name)) return;
  closing_ = true;
  if (openLogin_ != nullptr) openLogin_->reject();
  if (notice_ != nullptr) notice_->close();
  welcome_.stop();
  animation_.stop();
  sweep_.stop();
  maintenance_.stop();
  // The entry may wait for another program's write; the worker serves until it is written.
  door_->Ask(
      this, [name = name.toStdString()] { return LogProgramClosed(name); },
      [this](bool) { FinishClose(); });
}

void MainWindow::FinishClose() {
  server_.StopWorker();
  if (tray_ != nullptr) tray_->hide();
  hide();
  Q_EMIT ProgramClosed();
}

// The window is hidden and shown only by the program itself.
void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
}

}  // namespace orlentis
