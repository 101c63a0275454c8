#pragma once

#include <QTimer>
#include <string>

#include "console/console_page.h"
#include "console/show_message.h"
#include "directory/asker.h"
#include "directory/console_login.h"

class QLabel;
class QPushButton;

namespace orlentis {

class ReportList;
struct AccountVerdict;

// The console's view of every user and every group, from which users are added, modified and
// deleted and the group dialogs are opened. Refreshed once a minute while it is the active
// tab, so that changes made elsewhere show.
class AccountPage : public ConsolePage {
  Q_OBJECT

 public:
  static constexpr int kRefreshPeriodMs = 60000;

  AccountPage(const ConsoleUser& user, QWidget* parent = nullptr);

  QString Title() const override;
  void Activate() override;
  void Deactivate() override;

  // Lists users and groups again with their totals; while the database is unavailable the
  // user list stays empty and the groups and totals keep what they showed.
  void Refresh();
  void AddUser();
  // The first selected user, in the user dialog.
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

 private:
  QWidget* BuildButtons(bool consoleRight);
  std::string SelectedUserName() const;
  void Show(const AccountVerdict& verdict);
  void OnRefreshTimer();

  const Asker asker_;
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
