#pragma once

#include <QDialog>
#include <QString>
#include <optional>
#include <string>

#include "console/show_message.h"
#include "directory/asker.h"
#include "directory/group_accounts.h"

class QLineEdit;
class QPushButton;

namespace orlentis {

class AuthorityFrame;
class DatabaseStatusLine;
class DirectoryDoor;

// One group's name and authority. The add variant adds the group on OK; the modify variant
// shows the group's name disabled and on OK gives the group the authority of the boxes,
// narrowing its users. Either closes once the change is stored, OK being disabled until
// then; a refusal with a reason (in a box) or a database that did not store the change (on
// the status line) keeps it open with what was typed.
class GroupDialog : public QDialog {
  Q_OBJECT

 public:
  // The add variant.
  GroupDialog(DirectoryDoor& door, Asker asker, QWidget* parent = nullptr);
  // The modify variant, for the group as listed.
  GroupDialog(DirectoryDoor& door, Asker asker, const GroupEntry& group, QWidget* parent = nullptr);

  bool IsModify() const { return modified_.has_value(); }
  // OK: adds or modifies the group.
  void accept() override;

  void SetMessageBox(ShowMessage showMessage) { showMessage_ = std::move(showMessage); }

  QLineEdit& NameField() { return *name_; }
  AuthorityFrame& Authority() { return *authority_; }
  QPushButton& OkButton() { return *ok_; }
  DatabaseStatusLine& Status() { return *status_; }

 private:
  void Build();
  void OnStored(const AccountVerdict& verdict);

  DirectoryDoor& door_;
  const Asker asker_;
  std::optional<std::string> modified_;
  DatabaseStatusLine* status_;
  QLineEdit* name_;
  AuthorityFrame* authority_;
  QPushButton* ok_ = nullptr;
  ShowMessage showMessage_;
};

}  // namespace orlentis
