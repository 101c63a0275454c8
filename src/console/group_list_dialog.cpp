#include "console/group_list_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "access/roles.h"
#include "base/text_ids.h"
#include "console/authority_frame.h"
#include "console/database_status_line.h"
#include "console/directory_door.h"
#include "console/group_dialog.h"
#include "console/page_text.h"

namespace orlentis {
namespace {

constexpr int kMaxNameShown = 31;
constexpr int kListWidthInCharacters = 20;

}  // namespace

GroupListDialog::GroupListDialog(DirectoryDoor& door, Asker asker, QWidget* parent)
    : QDialog(parent),
      door_(door),
      asker_(std::move(asker)),
      status_(new DatabaseStatusLine),
      list_(new QListWidget),
      name_(new QLineEdit),
      authority_(new AuthorityFrame),
      showMessage_(WarningBoxOver(this)) {
  setWindowTitle(PageText(kTextGroupSetting));
  list_->setMinimumWidth(list_->fontMetrics().averageCharWidth() * kListWidthInCharacters);
  auto* groups = new QVBoxLayout;
  groups->addWidget(new QLabel(PageText(kTextGroups)));
  groups->addWidget(list_);
  auto* row = new QHBoxLayout;
  row->addLayout(groups);
  row->addWidget(BuildDisplay());
  row->addWidget(BuildButtons());
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addLayout(row);
  connect(list_, &QListWidget::currentRowChanged, this, &GroupListDialog::ShowSelected);
  Fill();
}

QWidget* GroupListDialog::BuildDisplay() {
  name_->setMaxLength(kMaxNameShown);
  auto* display = new QWidget;
  auto* column = new QVBoxLayout(display);
  auto* fields = new QFormLayout;
  fields->addRow(PageText(kTextGroupName), name_);
  column->addLayout(fields);
  column->addWidget(authority_);
  column->addStretch();
  // The selected group is only shown here; Modify changes it.
  name_->setEnabled(false);
  authority_->setEnabled(false);
  return display;
}

QWidget* GroupListDialog::BuildButtons() {
  auto* buttons = new QWidget;
  auto* column = new QVBoxLayout(buttons);
  const auto addButton = [this, column](int textId, void (GroupListDialog::*action)()) {
    auto* button = new QPushButton(PageText(textId));
    column->addWidget(button);
    connect(button, &QPushButton::clicked, this, action);
    return button;
  };
  addButton(kTextAddAccount, &GroupListDialog::Add);
  addButton(kTextDeleteAccount, &GroupListDialog::Delete);
  addButton(kTextModify, &GroupListDialog::Modify);
  addButton(kTextIncrease, &GroupListDialog::Increase);
  addButton(kTextDecrease, &GroupListDialog::Decrease);
  column->addStretch();
  addButton(kTextOk, &GroupListDialog::accept)->setDefault(true);
  addButton(kTextCancel, &GroupListDialog::reject)->hide();
  return buttons;
}

void GroupListDialog::Fill(int select) {
  status_->Ask(
      door_, this, [asker = asker_] { return RenumberGroups(asker); },
      [this, select](const GroupListing& listing) { ShowGroups(listing, select); });
}

// A list the database could not give keeps what it showed; the status line says why.
void GroupListDialog::ShowGroups(const GroupListing& listing, int select) {
  Tell(listing.verdict);
  if (!listing.verdict.IsDone()) return;
  list_->clear();
  groups_ = listing.groups;
  for (const GroupEntry& group : groups_) list_->addItem(QString::fromStdString(group.name));
  if (select >= 0) {
    SelectRow(std::min(select, list_->count() - 1));
    return;
  }
  // Said to the view itself, not only to its selection: a list that takes the focus after it
  // was filled would otherwise make its first row current then.
  list_->setCurrentIndex(QModelIndex());
}

int GroupListDialog::SelectedRow() const {
  return list_->currentRow();
}

void GroupListDialog::SelectRow(int row) {
  list_->setCurrentRow(row);
}

void GroupListDialog::Add() {
  GroupDialog dialog(door_, asker_, this);
  dialog.SetMessageBox(showMessage_);
  if (dialog.exec() == QDialog::Accepted) Fill();
}

void GroupListDialog::Modify() {
  const int row = SelectedRow();
  if (row < 0 || IsRoleName(SelectedName())) return;
  GroupDialog dialog(door_, asker_, groups_[static_cast<std::size_t>(row)], this);
  dialog.SetMessageBox(showMessage_);
  if (dialog.exec() == QDialog::Accepted) Fill(row);
}

void GroupListDialog::Delete() {
  ChangeSelected(DeleteGroup, 0);
}

void GroupListDialog::Increase() {
  ChangeSelected(MoveGroupUp, -1);
}

void GroupListDialog::Decrease() {
  ChangeSelected(MoveGroupDown, +1);
}

template <class Change>
void GroupListDialog::ChangeSelected(Change change, int step) {
  const int row = SelectedRow();
  status_->Ask(
      door_, this, [change, name = SelectedName(), asker = asker_] { return change(name, asker); },
      [this, row, step](const AccountVerdict& verdict) {
        Tell(verdict);
        if (verdict.IsDone()) Fill(row + step);
      });
}

void GroupListDialog::ShowSelected() {
  const int row = SelectedRow();
  // Without a selection the display keeps the group it showed last.
  if (row < 0 || row >= static_cast<int>(groups_.size())) return;
  const GroupEntry& group = groups_[static_cast<std::size_t>(row)];
  name_->setText(QString::fromStdString(group.name));
  authority_->SetAuthority(group.authority);
}

std::string GroupListDialog::SelectedName() const {
  const int row = SelectedRow();
  return row < 0 ? std::string() : list_->item(row)->text().toStdString();
}

// What the database did shows on the status line; a refusal with a reason in a box.
void GroupListDialog::Tell(const AccountVerdict& verdict) {
  const std::string message = verdict.IsRefused() ? verdict.Message() : std::string();
  if (!message.empty()) showMessage_(PageText(kTextProgramName), QString::fromStdString(message));
}

}  // namespace orlentis
