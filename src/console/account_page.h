#pragma once

#include <QTimer>
#include <string>

#include "console/console_page.h"
#include "console/show_message.h"
#include "directory/asker.h"
#include "directory/console_login.h"
#include "directory/group_accounts.h"
#include "directory/user_accounts.h"

class QLabel;
class QPushButton;

namespace orlentis {

class DatabaseStatusLine;
class DirectoryDoor;
class ReportList;

// The console's view of every user and every group, from which users are added, modified and
// deleted and the group dialogs are opened. Refreshed once a minute while it is the active
// tab, so that changes made elsewhere show.
class AccountPage : public ConsolePage {
  Q_OBJECT

 public:
  static constexpr int kRefreshPeriodMs = 60000;

  AccountPage(DirectoryDoor& door, const ConsoleUser& user, QWidget* parent = nullptr);

  QString Title() const override;
  void Activate() override;
  void Deactivate() override;

  // Lists users and groups again with their totals. A list the database could not give keeps
  // what it showed, and the status line says why.
  void Refresh();
  void AddUser();
  // The first selected user, read anew, in the user dialog.
  void ModifySelectedUser();
  // The first selected user, after a question; the administrator account is never deleted.
  void DeleteSelectedUser();
  // The group list dialog. Its button is enabled only for the console users the directory
  // lets change the groups.
  void OpenGroupSetting();

  void SetMessageBox(ShowMessage showMessage) { showMessage_ = std::move(showMessage); }
  void SetQuestionBox(AskYesNo askYesNo) { askYesNo_ = std::move(askYesNo); }

  bool IsRefreshTimerRunning() const { return refreshTimer_.isActive(); }
  ReportList& UserList() { return *users_; }
  ReportList& GroupList() { return *groups_; }
  QString UserTotal() const;
  QString GroupTotal() const;
  QPushButton& GroupSettingButton() { return *groupSetting_; }
  DatabaseStatusLine& Status() { return *status_; }

 private:
  QWidget* BuildButtons(bool consoleRight);
  std::string SelectedUserName() const;
  void ShowUsers(const DbResult<UserListing>& listing);
  void ShowGroups(const DbResult<std::vector<GroupEntry>>& groups);
  void EditUser(const UserReading& reading);
  void ShowRefusal(const AccountVerdict& verdict);
  void OnRefreshTimer();

  DirectoryDoor& door_;
  const Asker asker_;
  bool active_ = false;
  DatabaseStatusLine* status_;
  ReportList* users_;
  ReportList* groups_;
  QLabel* userTotal_;
  QLabel* groupTotal_;
  QPushButton* groupSetting_ = nullptr;
  QTimer refreshTimer_;
  ShowMessage showMessage_;
  AskYesNo askYesNo_;
};

}  // namespace orlentis
