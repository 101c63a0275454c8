#pragma once

#include <QDialog>
#include <QString>
#include <optional>
#include <string>

#include "console/show_message.h"
#include "directory/asker.h"
#include "directory/group_accounts.h"

class QLineEdit;

namespace orlentis {

class AuthorityFrame;

// One group's name and authority. The add variant adds the group on OK and stays open, after
// saying why, while the name is empty or taken; the modify variant shows the group's name
// disabled and on OK gives the group the authority of the boxes, narrowing its users.
class GroupDialog : public QDialog {
  Q_OBJECT

 public:
  // The add variant.
  explicit GroupDialog(Asker asker, QWidget* parent = nullptr);
  // The modify variant, for the group as listed.
  GroupDialog(Asker asker, const GroupEntry& group, QWidget* parent = nullptr);

  bool IsModify() const { return modified_.has_value(); }
  // OK: adds or modifies the group; closes unless the add was refused.
  void accept() override;

  void SetMessageBox(ShowMessage showMessage) { showMessage_ = std::move(showMessage); }

  QLineEdit& NameField() { return *name_; }
  AuthorityFrame& Authority() { return *authority_; }

 private:
  void Build();
  bool Add();

  const Asker asker_;
  std::optional<std::string> modified_;
  QLineEdit* name_;
  AuthorityFrame* authority_;
  ShowMessage showMessage_;
};

}  // namespace orlentis
