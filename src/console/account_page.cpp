#include "console/account_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "access/roles.h"
#include "base/text_ids.h"
#include "console/database_status_line.h"
#include "console/directory_door.h"
#include "console/group_list_dialog.h"
#include "console/page_text.h"
#include "console/report_list.h"
#include "console/user_dialog.h"

namespace orlentis {
namespace {

QString WithCount(int textId, std::size_t count) {
  return PageText(textId).replace(QStringLiteral("%d"), QString::number(count));
}

QPushButton* Button(int textId, const char* objectName) {
  auto* button = new QPushButton(PageText(textId));
  button->setObjectName(objectName);
  return button;
}

}  // namespace

AccountPage::AccountPage(DirectoryDoor& door, const ConsoleUser& user, QWidget* parent)
    : ConsolePage(parent),
      door_(door),
      asker_(Asker::Console(user)),
      status_(new DatabaseStatusLine),
      users_(new ReportList(true)),
      groups_(new ReportList(true)),
      userTotal_(new QLabel),
      groupTotal_(new QLabel),
      showMessage_(WarningBoxOver(this)),
      askYesNo_(QuestionBoxOver(this)) {
  users_->SetColumns(PageText(kTextUserColumns));
  groups_->SetColumns(PageText(kTextGroupColumns));

  auto* layout = new QGridLayout(this);
  layout->addWidget(status_, 0, 0, 1, 2);
  layout->addWidget(users_, 1, 0);
  layout->addWidget(userTotal_, 2, 0);
  layout->addWidget(groups_, 3, 0);
  layout->addWidget(groupTotal_, 4, 0);
  layout->addWidget(BuildButtons(HasConsoleRight(user.effectiveAuthority)), 1, 1, 4, 1);

  refreshTimer_.setInterval(kRefreshPeriodMs);
  connect(&refreshTimer_, &QTimer::timeout, this, &AccountPage::OnRefreshTimer);
  connect(users_, &ReportList::itemDoubleClicked, this, [this] {
    if (!users_->SelectedRows().empty()) ModifySelectedUser();
  });
}

QWidget* AccountPage::BuildButtons(bool consoleRight) {
  QPushButton* add = Button(kTextAddAccount, "add");
  QPushButton* remove = Button(kTextDeleteAccount, "delete");
  QPushButton* modify = Button(kTextModify, "modify");
  QPushButton* refresh = Button(kTextRefresh, "refresh");
  groupSetting_ = Button(kTextGroupSetting, "groupSetting");
  for (QPushButton* button : {add, remove, modify, refresh}) button->setEnabled(consoleRight);
  groupSetting_->setEnabled(asker_.MaySetGroups());
  refresh->hide();
  connect(add, &QPushButton::clicked, this, &AccountPage::AddUser);
  connect(remove, &QPushButton::clicked, this, &AccountPage::DeleteSelectedUser);
  connect(modify, &QPushButton::clicked, this, &AccountPage::ModifySelectedUser);
  connect(refresh, &QPushButton::clicked, this, &AccountPage::Refresh);
  connect(groupSetting_, &QPushButton::clicked, this, &AccountPage::OpenGroupSetting);

  auto* box = new QWidget;
  auto* column = new QVBoxLayout(box);
  for (QPushButton* button : {add, remove, modify, groupSetting_, refresh}) {
    column->addWidget(button);
  }
  column->addStretch();
  return box;
}

QString AccountPage::Title() const {
  return PageText(kTextAccount);
}

void AccountPage::Activate() {
  active_ = true;
  Refresh();
  refreshTimer_.start();
}

void AccountPage::Deactivate() {
  active_ = false;
  refreshTimer_.stop();
}

void AccountPage::Refresh() {
  status_->Ask(
      door_, this, [] { return ListUsers(); },
      [this](const DbResult<UserListing>& listing) { ShowUsers(listing); });
  status_->Ask(
      door_, this, [] { return ListGroups(); },
      [this](const DbResult<std::vector<GroupEntry>>& groups) { ShowGroups(groups); });
}

void AccountPage::ShowUsers(const DbResult<UserListing>& listing) {
  // A refresh may wait on the database; the next minute counts from its end.
  if (active_) refreshTimer_.start();
  if (!listing.value) return;
  users_->DeleteAllRows();
  for (const UserListEntry& user : listing.value->users) {
    users_->AddRow({QString::fromStdString(user.name), QString::fromStdString(user.groupName),
                    QString::fromStdString(user.description)});
  }
  userTotal_->setText(WithCount(kTextUserTotal, listing.value->totalUsers));
}

void AccountPage::ShowGroups(const DbResult<std::vector<GroupEntry>>& groups) {
  if (!groups.value) return;
  groups_->DeleteAllRows();
  for (const GroupEntry& group : *groups.value) {
    groups_->AddRow({QString::fromStdString(group.name), QString::number(group.userCount)});
  }
  groupTotal_->setText(WithCount(kTextGroupTotal, groups.value->size()));
}

void AccountPage::AddUser() {
  UserDialog dialog(door_, UserFormMode::kAdd, this);
  if (dialog.exec() == QDialog::Accepted) Refresh();
}

void AccountPage::ModifySelectedUser() {
  status_->Ask(
      door_, this, [name = SelectedUserName()] { return ReadUser(name); },
      [this](const UserReading& reading) { EditUser(reading); });
}

void AccountPage::EditUser(const UserReading& reading) {
  if (!reading.verdict.IsDone()) {
    ShowRefusal(reading.verdict);
    return;
  }
  UserDialog dialog(door_, UserFormMode::kModify, this);
  dialog.LoadUser(reading.user);
  if (dialog.exec() == QDialog::Accepted) Refresh();
}

void AccountPage::DeleteSelectedUser() {
  const std::string name = SelectedUserName();
  if (!name.empty()) {
    if (IsAdministratorName(name)) return;
    const QString question =
        PageText(kTextDeleteQuestion).replace(QStringLiteral("%s"), QString::fromStdString(name));
    if (!askYesNo_(PageText(kTextProgramName), question)) return;
  }
  status_->Ask(
      door_, this, [name, source = asker_.LogSource()] { return DeleteUser(name, source); },
      [this](const AccountVerdict& verdict) {
        ShowRefusal(verdict);
        if (verdict.IsDone()) Refresh();
      });
}

void AccountPage::OpenGroupSetting() {
  GroupListDialog dialog(door_, asker_, this);
  dialog.exec();
  Refresh();
}

QString AccountPage::UserTotal() const {
  return userTotal_->text();
}

QString AccountPage::GroupTotal() const {
  return groupTotal_->text();
}

std::string AccountPage::SelectedUserName() const {
  const std::vector<int> rows = users_->SelectedRows();
  return rows.empty() ? std::string() : users_->CellText(rows.front(), 0).toStdString();
}

// What the database did shows on the status line; a refusal with a reason in a box.
void AccountPage::ShowRefusal(const AccountVerdict& verdict) {
  const std::string message = verdict.IsRefused() ? verdict.Message() : std::string();
  if (!message.empty()) showMessage_(PageText(kTextProgramName), QString::fromStdString(message));
}

void AccountPage::OnRefreshTimer() {
  refreshTimer_.stop();
  Refresh();
}

}  // namespace orlentis
