#pragma once

#include <QDialog>
#include <vector>

#include "console/show_message.h"
#include "directory/asker.h"
#include "directory/group_accounts.h"

class QLineEdit;
class QListWidget;

namespace orlentis {

class AuthorityFrame;
class DatabaseStatusLine;
class DirectoryDoor;

// The groups in their order with the selected one's name and authority (display only), and
// the buttons that add, modify, delete and move them. Every change is written at once; OK
// only closes the dialog. The default groups are neither modified nor deleted, without a word.
// The directory decides whether the asker may change the groups at all, and its refusal is
// shown.
class GroupListDialog : public QDialog {
  Q_OBJECT

 public:
  GroupListDialog(DirectoryDoor& door, Asker asker, QWidget* parent = nullptr);

  // Lists the groups anew, giving them the levels 0 to n-1 in their order, then selects the
  // row select (the last one where there are fewer rows; none for -1).
  void Fill(int select = -1);
  // The list's position of the selected group, -1 without one.
  int SelectedRow() const;
  void SelectRow(int row);

  void Add();
  void Modify();
  void Delete();
  // Moves the selected group one place up or down and keeps it selected.
  void Increase();
  void Decrease();

  void SetMessageBox(ShowMessage showMessage) { showMessage_ = std::move(showMessage); }

  QListWidget& List() { return *list_; }
  QLineEdit& NameDisplay() { return *name_; }
  AuthorityFrame& AuthorityDisplay() { return *authority_; }
  DatabaseStatusLine& Status() { return *status_; }

 private:
  QWidget* BuildDisplay();
  QWidget* BuildButtons();
  void ShowSelected();
  std::string SelectedName() const;
  void ShowGroups(const GroupListing& listing, int select);
  // Runs change for the selected group; once it is done the list is filled anew with row
  // select + step selected.
  template <class Change>
  void ChangeSelected(Change change, int step);
  void Tell(const AccountVerdict& verdict);

  DirectoryDoor& door_;
  const Asker asker_;
  DatabaseStatusLine* status_;
  std::vector<GroupEntry> groups_;
  QListWidget* list_;
  QLineEdit* name_;
  AuthorityFrame* authority_;
  ShowMessage showMessage_;
};

}  // namespace orlentis
