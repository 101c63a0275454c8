#include "console/group_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "console/authority_frame.h"
#include "console/page_text.h"

namespace orlentis {
namespace {

constexpr int kTextOk = 108;
constexpr int kTextCancel = 109;
constexpr int kTextAddGroup = 131;
constexpr int kTextGroupName = 133;
constexpr int kTextGroupExists = 152;
constexpr int kMaxNameInput = 31;

}  // namespace

GroupDialog::GroupDialog(Asker asker, QWidget* parent)
    : QDialog(parent),
      asker_(std::move(asker)),
      name_(new QLineEdit),
      authority_(new AuthorityFrame),
      showMessage_(WarningBoxOver(this)) {
  Build();
  name_->setFocus();
}

GroupDialog::GroupDialog(Asker asker, const GroupEntry& group, QWidget* parent)
    : QDialog(parent),
      asker_(std::move(asker)),
      modified_(group.name),
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
  buttons->button(QDialogButtonBox::Ok)->setText(PageText(kTextOk));
  buttons->button(QDialogButtonBox::Cancel)->setText(PageText(kTextCancel));
  connect(buttons, &QDialogButtonBox::accepted, this, &GroupDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &GroupDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(authority_);
  layout->addWidget(buttons);
}

void GroupDialog::accept() {
  if (IsModify()) {
    ModifyGroup(*modified_, authority_->Authority(), asker_);
  } else if (!Add()) {
    name_->setFocus();
    return;
  }
  QDialog::accept();
}

bool GroupDialog::Add() {
  const std::string name = name_->text().toStdString();
  const AccountVerdict verdict = AddGroup(name, authority_->Authority(), asker_);
  QString message = QString::fromStdString(verdict.Message());
  // While the database cannot be read, no name can be shown to be free.
  if (verdict.database == DbOutcome::kSkipped) {
    message = PageText(kTextGroupExists).replace(QStringLiteral("%s"), name_->text());
  }
  if (!message.isEmpty()) showMessage_(PageText(kTextProgramName), message);
  return message.isEmpty();
}

}  // namespace orlentis
