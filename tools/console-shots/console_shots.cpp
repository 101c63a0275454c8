#include "console_shots.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <array>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

#include "base/language.h"
#include "base/text_ids.h"
#include "console/account_page.h"
#include "console/add_site_dialog.h"
#include "console/authority_frame.h"
#include "console/console_login_dialog.h"
#include "console/console_sheet.h"
#include "console/directory_door.h"
#include "console/group_dialog.h"
#include "console/group_list_dialog.h"
#include "console/image_button.h"
#include "console/ip_address_field.h"
#include "console/log_page.h"
#include "console/main_window.h"
#include "console/monitor_page.h"
#include "console/notice_window.h"
#include "console/permission_tree_view.h"
#include "console/preferences_page.h"
#include "console/report_list.h"
#include "console/server_control.h"
#include "console/tray_icons.h"
#include "console/user_dialog.h"
#include "window_picture.h"

namespace orlentis::shots {
namespace {

constexpr int kMainWindowWidth = 340;
constexpr int kLoginWidth = 320;
constexpr int kSheetWidth = 760;
constexpr int kSheetHeight = 620;
constexpr int kUserDialogWidth = 440;
constexpr int kUserDialogHeight = 680;
constexpr int kAccountPage = 0;
constexpr int kMonitorPage = 1;
constexpr int kPreferencesPage = 2;
constexpr int kLogPage = 3;
const QString kMonitoredSite = QStringLiteral("Lobby");
// The user the modify picture shows, the sites whose cameras it is being given, and the site
// gone off line that the administrator has selected.
constexpr const char* kModifiedUser = "day-operator";
const QString kPermittedSite = QStringLiteral("Gate");
const QString kPartlyPermittedSite = QStringLiteral("Lobby");
const QString kOffLineSite = QStringLiteral("Loading Dock");
// Far longer than the demonstration's database ever takes to answer.
constexpr std::chrono::seconds kDoorPatience{30};

// The pictures need the window, not the server beneath it.
class IdleServer : public ServerControl {
 public:
  void StartWorker(std::function<void()>) override {}
  void StopWorker() override {}
  void OnSweepTimer() override {}
  void OnMaintenanceTimer() override {}
};

class ShotFolder {
 public:
  explicit ShotFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}

  void Save(const char* name, const QImage& image) {
    const auto file = folder_ / name;
    SavePicture(image, file);
    written_.push_back(file);
  }
  // Shows window and saves its picture.
  void SaveWindow(const char* name, QWidget& window) {
    window.show();
    QApplication::processEvents();
    Save(name, WindowPicture(window));
  }

  const std::vector<std::filesystem::path>& Written() const { return written_; }

 private:
  std::filesystem::path folder_;
  std::vector<std::filesystem::path> written_;
};

void Require(bool shown, const std::string& what) {
  if (!shown) throw std::runtime_error("the picture would show " + what);
}

// The pages and dialogs fill themselves through the door; a picture waits for what they show.
void WaitForDoor(DirectoryDoor& door) {
  Require(door.WaitUntilIdle(kDoorPatience), "a page still waiting for the database");
}

void SetButtonsVisible(QWidget& window, bool visible) {
  for (QPushButton* button : window.findChildren<QPushButton*>()) button->setVisible(visible);
}

// The welcome box as a desktop with a tray shows it, its commands being in the tray's menu;
// then the window that stays where there is no tray, with the commands as buttons.
void ShootMainWindow(ShotFolder& shots) {
  IdleServer server;
  MainWindow window(server);
  window.Start();
  window.setMinimumWidth(kMainWindowWidth);
  SetButtonsVisible(window, false);
  window.adjustSize();
  shots.SaveWindow("main-window-welcome.png", window);
  SetButtonsVisible(window, true);
  window.adjustSize();
  shots.SaveWindow("main-window-fallback.png", window);
}

void ShootLogin(ShotFolder& shots, DirectoryDoor& door, ConsoleLoginDialog::Mode mode,
                const char* name) {
  ConsoleLoginDialog dialog(door, mode);
  dialog.SetCredentials(QStringLiteral("Administrator"), QStringLiteral("password"));
  dialog.setMinimumWidth(kLoginWidth);
  dialog.show();
  // The focused name field selects its text; the picture shows it plainly.
  for (QLineEdit* field : dialog.findChildren<QLineEdit*>()) field->deselect();
  shots.SaveWindow(name, dialog);
}

void ShootNotice(ShotFolder& shots) {
  const auto notice = std::make_unique<NoticeWindow>();
  notice->Show(QString::fromStdString(GetLanguageText(kTextProgramName)),
               QString::fromStdString(GetLanguageText(kTextRestartToApply)));
  shots.SaveWindow("notice.png", *notice);
}

// The lists open with the pixel widths of their column specs, which the desktop's font
// overruns; the pictures show them as an administrator who dragged the dividers sees them.
void WidenColumnsToContents(ReportList& list) {
  for (int column = 0; column < list.ColumnCount(); ++column) {
    const int opened = list.columnWidth(column);
    list.resizeColumnToContents(column);
    if (list.columnWidth(column) < opened) list.setColumnWidth(column, opened);
  }
}

void SelectSite(MonitorPage& page, const QString& name) {
  ReportList& sites = page.SiteList();
  for (int row = 0; row < sites.RowCount(); ++row) {
    if (sites.CellText(row, 0) == name) sites.topLevelItem(row)->setSelected(true);
  }
}

void ShootConsole(ShotFolder& shots, DirectoryDoor& door, const ConsoleUser& user) {
  ConsoleSheet sheet(door, user);
  Require(sheet.PageCount() == 4, "a console without the console right");
  sheet.resize(kSheetWidth, kSheetHeight);
  // Opening the sheet fills every page.
  sheet.show();
  WaitForDoor(door);

  auto* account = qobject_cast<AccountPage*>(sheet.Page(kAccountPage));
  Require(account != nullptr, "no Account page");
  Require(account->UserList().RowCount() > 1, "no user but the Administrator");
  WidenColumnsToContents(account->UserList());
  WidenColumnsToContents(account->GroupList());
  shots.SaveWindow("console-account.png", sheet);

  sheet.SetCurrentPage(kMonitorPage);
  WaitForDoor(door);
  auto* monitor = qobject_cast<MonitorPage*>(sheet.Page(kMonitorPage));
  Require(monitor != nullptr, "no Monitor page");
  SelectSite(*monitor, kMonitoredSite);
  WaitForDoor(door);
  Require(monitor->SiteList().RowCount() > 0, "no site on line");
  Require(monitor->CameraList().RowCount() > 0, "no camera of " + kMonitoredSite.toStdString());
  WidenColumnsToContents(monitor->SiteList());
  WidenColumnsToContents(monitor->CameraList());
  shots.SaveWindow("console-monitor.png", sheet);

  sheet.SetCurrentPage(kPreferencesPage);
  WaitForDoor(door);
  Require(sheet.Preferences()->RangeList().RowCount() > 0, "no IP filter range");
  WidenColumnsToContents(sheet.Preferences()->RangeList());
  shots.SaveWindow("console-preferences.png", sheet);

  sheet.SetCurrentPage(kLogPage);
  WaitForDoor(door);
  ReportList& log = sheet.Log()->List();
  Require(log.RowCount() > 0, "an empty event log");
  log.SortByColumn(0, false);  // the latest entries first
  WidenColumnsToContents(log);
  shots.SaveWindow("console-log.png", sheet);
}

// The site whose label names it.
QTreeWidgetItem* SiteItem(PermissionTreeView& tree, const QString& name) {
  for (int site = 0; site < tree.topLevelItemCount(); ++site) {
    if (tree.SiteItem(site)->text(0).contains(name)) return tree.SiteItem(site);
  }
  throw std::runtime_error("the picture would show no site " + name.toStdString());
}

void ShootUserDialogs(ShotFolder& shots, DirectoryDoor& door) {
  UserDialog adding(door, UserFormMode::kAdd);
  WaitForDoor(door);
  Require(adding.Tree().topLevelItemCount() > 0, "no site in the user dialog");
  adding.resize(kUserDialogWidth, kUserDialogHeight);
  shots.SaveWindow("user-add.png", adding);

  const UserReading reading = ReadUser(kModifiedUser);
  Require(reading.verdict.IsDone(), std::string("no user ") + kModifiedUser);
  UserDialog modifying(door, UserFormMode::kModify);
  modifying.LoadUser(reading.user);
  WaitForDoor(door);
  modifying.resize(kUserDialogWidth, kUserDialogHeight);
  // The administrator is giving the operator every camera of one site and two of another,
  // and has selected a site gone off line, which can be removed.
  PermissionTreeView& tree = modifying.Tree();
  SiteItem(tree, kPermittedSite)->setCheckState(0, Qt::Checked);
  QTreeWidgetItem* partly = SiteItem(tree, kPartlyPermittedSite);
  Require(partly->childCount() > 2, "a site with too few cameras");
  partly->child(0)->setCheckState(0, Qt::Checked);
  partly->child(2)->setCheckState(0, Qt::Checked);
  partly->setExpanded(true);
  tree.setCurrentItem(SiteItem(tree, kOffLineSite));
  Require(modifying.RemoveButton().isEnabled(), "Remove disabled for a site off line");
  shots.SaveWindow("user-modify.png", modifying);
}

// The group list with a group selected, the dialog that adds a group as filled in, and the
// dialog that registers a site before it checks in.
void ShootAccountDialogs(ShotFolder& shots, DirectoryDoor& door, const ConsoleUser& user) {
  GroupListDialog groups(door, Asker::Console(user));
  WaitForDoor(door);
  Require(groups.List().count() > 1, "no group");
  groups.SelectRow(1);
  shots.SaveWindow("group-list-dialog.png", groups);

  GroupDialog group(door, Asker::Console(user));
  group.NameField().setText(QStringLiteral("Night shift"));
  group.Authority().SetAuthority(kAuthorityMonitoring | kAuthoritySearching);
  group.show();
  group.NameField().deselect();
  shots.SaveWindow("group-dialog.png", group);

  AddSiteDialog site(door);
  site.AddressField().SetText(QStringLiteral("192.168.1.20"));
  site.InstanceChoice().setCurrentIndex(1);
  shots.SaveWindow("add-site-dialog.png", site);
}

// The four tray images side by side at the size they are drawn for, each over its id.
QImage TrayIconsPicture() {
  constexpr std::array kIds{kIconNormal, kIconActivity1, kIconActivity2, kIconActivity3};
  constexpr int kIconSize = 32;
  constexpr int kCell = 56;
  constexpr int kLabelHeight = 18;
  QImage picture(kCell * static_cast<int>(kIds.size()), kCell + kLabelHeight, QImage::Format_RGB32);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  painter.setPen(Qt::darkGray);
  for (std::size_t index = 0; index < kIds.size(); ++index) {
    const int left = kCell * static_cast<int>(index);
    const int inset = (kCell - kIconSize) / 2;
    TrayIcon(kIds[index]).paint(&painter, QRect(left + inset, inset, kIconSize, kIconSize));
    painter.drawText(QRect(left, kCell - inset / 2, kCell, kLabelHeight), Qt::AlignCenter,
                     QString::number(kIds[index]));
  }
  return picture;
}

}  // namespace

std::vector<std::filesystem::path> TakeConsoleShots(const std::filesystem::path& folder,
                                                    const ConsoleUser& user) {
  ShotFolder shots(folder);
  DirectoryDoor door;
  ShootMainWindow(shots);
  ShootLogin(shots, door, ConsoleLoginDialog::Mode::kOpenConsole, "login-open-console.png");
  ShootLogin(shots, door, ConsoleLoginDialog::Mode::kCloseProgram, "login-close-program.png");
  ShootNotice(shots);
  ShootConsole(shots, door, user);
  ShootUserDialogs(shots, door);
  ShootAccountDialogs(shots, door, user);
  shots.Save("tray-icons.png", TrayIconsPicture());
  return shots.Written();
}

}  // namespace orlentis::shots
