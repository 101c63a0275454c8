#include "console/group_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "base/text_ids.h"
#include "console/authority_frame.h"
#include "console/database_status_line.h"
#include "console/directory_door.h"
#include "console/page_text.h"

namespace orlentis {
namespace {

constexpr int kMaxNameInput = 31;

}  // namespace

GroupDialog::GroupDialog(DirectoryDoor& door, Asker asker, QWidget* parent)
    : QDialog(parent),
      door_(door),
      asker_(std::move(asker)),
      status_(new DatabaseStatusLine),
      name_(new QLineEdit),
      authority_(new AuthorityFrame),
      showMessage_(WarningBoxOver(this)) {
  Build();
  name_->setFocus();
}

GroupDialog::GroupDialog(DirectoryDoor& door, Asker asker, const GroupEntry& group, QWidget* parent)
    : QDialog(parent),
      door_(door),
      asker_(std::move(asker)),
      modified_(group.name),
      status_(new DatabaseStatusLine),
      name_(new QLineEdit(QString::fromStdString(group.name))),
      authority_(new AuthorityFrame),
      showMessage_(WarningBoxOver(this)) {
  Build();
  name_->setEnabled(false);
  authority_->SetAuthority(group.authority);
}

void GroupDialog::Build() {
  setWindowTitle(PageText(kTextAddGroup));
  name_->setMaxLength(kMaxNameInput);
  auto* fields = new QFormLayout;
  fields->addRow(PageText(kTextGroupName), name_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setText(PageText(kTextOk));
  buttons->button(QDialogButtonBox::Cancel)->setText(PageText(kTextCancel));
  connect(buttons, &QDialogButtonBox::accepted, this, &GroupDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &GroupDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addLayout(fields);
  layout->addWidget(authority_);
  layout->addWidget(buttons);
}

void GroupDialog::accept() {
  ok_->setEnabled(false);
  const std::uint32_t authority = authority_->Authority();
  const auto store = [this](const AccountVerdict& verdict) { OnStored(verdict); };
  if (IsModify()) {
    status_->Ask(
        door_, this,
        [name = *modified_, authority, asker = asker_] {
          return ModifyGroup(name, authority, asker);
        },
        store);
  } else {
    status_->Ask(
        door_, this,
        [name = name_->text().toStdString(), authority, asker = asker_] {
          return AddGroup(name, authority, asker);
        },
        store);
  }
}

void GroupDialog::OnStored(const AccountVerdict& verdict) {
  ok_->setEnabled(true);
  const std::string message = verdict.IsRefused() ? verdict.Message() : std::string();
  if (!message.empty()) {
    showMessage_(PageText(kTextProgramName), QString::fromStdString(message));
    name_->setFocus();
    return;
  }
  // A group modified that is gone meanwhile leaves nothing to correct here; the status line
  // has said why the database did not store a change.
  if (verdict.IsDone() || verdict.IsRefused()) QDialog::accept();
}

}  // namespace orlentis
