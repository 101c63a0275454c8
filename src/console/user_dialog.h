#pragma once

#include <QDialog>
#include <optional>

#include "console/show_message.h"
#include "directory/group_accounts.h"
#include "directory/user_accounts.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace orlentis {

class AuthorityFrame;
struct AuthorityBoxes;
class DatabaseStatusLine;
class DirectoryDoor;
class ImageButton;
class PermissionTreeView;

// The dialog in which the administrator adds a user or changes one: name, password, group,
// description, the authority boxes the group allows, and the cameras of every site in a tree.
// Its image buttons change the Site table at once: Remove takes away an off-line site, Add
// registers sites, Refresh reads the tree again; each drops the unsaved check marks. Groups
// and tree are read through the door after the dialog opens.
class UserDialog : public QDialog {
  Q_OBJECT

 public:
  UserDialog(DirectoryDoor& door, UserFormMode mode, QWidget* parent = nullptr);

  // Modify mode, before the dialog is shown: the user as stored. The administrator account
  // keeps its group, and its tree cannot be changed.
  void LoadUser(const UserAccount& user);

  // OK: saves the user and its camera permissions, OK being disabled until the save is over,
  // and closes once it is done. A refusal with a reason (in a box) or a database that did
  // not save it (on the status line) keeps the dialog open with everything as typed.
  void accept() override;

  // The boxes from the chosen group: those of its rights enabled and checked, the others
  // disabled and cleared.
  void ApplyGroupChoice();
  void RemoveSelectedSite();
  void OpenAddSiteDialog();
  void RebuildTree();

  void SetMessageBox(ShowMessage showMessage) { showMessage_ = std::move(showMessage); }

  bool IsLocked() const { return locked_; }
  QLineEdit& NameEdit() { return *name_; }
  QLineEdit& PasswordEdit() { return *password_; }
  QLineEdit& ConfirmationEdit() { return *confirmation_; }
  QLineEdit& DescriptionEdit() { return *description_; }
  QComboBox& GroupDropDown() { return *groups_; }
  AuthorityFrame& Authority() { return *authority_; }
  PermissionTreeView& Tree() { return *tree_; }
  ImageButton& RemoveButton() { return *remove_; }
  ImageButton& AddButton() { return *add_; }
  ImageButton& RefreshButton() { return *refresh_; }
  QPushButton& OkButton() { return *ok_; }
  DatabaseStatusLine& Status() { return *status_; }

 private:
  QWidget* BuildAccountControls();
  QWidget* BuildSiteControls();
  void FillGroups();
  void ShowGroups(const std::vector<GroupEntry>& groups);
  // The loaded user's group chosen, and the user's rights in its boxes.
  void ShowUserGroup();
  void OnSaved(const AccountVerdict& verdict);
  // The authority of the group chosen in the drop-down.
  std::optional<std::uint32_t> ChosenGroupAuthority() const;
  void ShowBoxes(const AuthorityBoxes& boxes);
  UserForm Form() const;
  void OnSelectedSiteChanged(int site);

  DirectoryDoor& door_;
  const UserFormMode mode_;
  UserAccount user_;
  bool userLoaded_ = false;
  bool groupsListed_ = false;
  bool locked_ = false;
  DatabaseStatusLine* status_ = nullptr;
  QPushButton* ok_ = nullptr;
  QLineEdit* name_ = nullptr;
  QLineEdit* password_ = nullptr;
  QLineEdit* confirmation_ = nullptr;
  QLineEdit* description_ = nullptr;
  QComboBox* groups_ = nullptr;
  AuthorityFrame* authority_ = nullptr;
  PermissionTreeView* tree_ = nullptr;
  ImageButton* remove_ = nullptr;
  ImageButton* add_ = nullptr;
  ImageButton* refresh_ = nullptr;
  ShowMessage showMessage_;
};

}  // namespace orlentis
