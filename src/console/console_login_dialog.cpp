#include "console/console_login_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/language.h"
#include "base/text_ids.h"
#include "console/directory_door.h"

namespace orlentis {
namespace {

QString Text(int id) {
  return QString::fromStdString(GetLanguageText(id));
}

}  // namespace

ConsoleLoginDialog::ConsoleLoginDialog(DirectoryDoor& door, Mode mode, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      door_(door),
      mode_(mode),
      name_(new QLineEdit(this)),
      password_(new QLineEdit(this)) {
  setWindowTitle(Text(mode == Mode::kOpenConsole ? kTextLogin : kTextCloseProgram));
  password_->setEchoMode(QLineEdit::Password);
  auto* fields = new QFormLayout;
  fields->addRow(Text(kTextUserName), name_);
  fields->addRow(Text(kTextPassword), password_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setText(Text(kTextOk));
  connect(buttons, &QDialogButtonBox::accepted, this, &ConsoleLoginDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(buttons);
  name_->setFocus();
}

void ConsoleLoginDialog::SetCredentials(const QString& name, const QString& password) {
  name_->setText(name);
  password_->setText(password);
}

QString ConsoleLoginDialog::UserName() const {
  return name_->text();
}

QString ConsoleLoginDialog::FailureText() const {
  return Text(mode_ == Mode::kOpenConsole ? kTextLoginError : kTextCloseLoginFailed);
}

// A domain logon, or a "Login" entry waiting for another program's write, may take a while.
void ConsoleLoginDialog::accept() {
  ok_->setEnabled(false);
  door_.Ask(
      this,
      [name = name_->text().toStdString(), password = password_->text().toStdString()] {
        return ConsoleLogin(name, password);
      },
      [this](const std::optional<ConsoleUser>& user) { OnLogin(user); });
}

void ConsoleLoginDialog::OnLogin(const std::optional<ConsoleUser>& user) {
  ok_->setEnabled(true);
  user_ = user;
  if (user_) {
    QDialog::accept();
    return;
  }
  QMessageBox::warning(this, Text(kTextProgramName), FailureText());
  reject();
}

}  // namespace orlentis
