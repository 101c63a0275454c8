#include "console/console_login_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/language.h"

namespace orlentis {
namespace {

constexpr int kTextOk = 108;
constexpr int kTextUserName = 110;
constexpr int kTextPassword = 111;
constexpr int kTextLogin = 144;
constexpr int kTextLoginError = 186;
constexpr int kTextCloseProgram = 221;
constexpr int kTextCloseLoginFailed = 222;

QString Text(int id) {
  return QString::fromStdString(GetLanguageText(id));
}

}  // namespace

ConsoleLoginDialog::ConsoleLoginDialog(Mode mode, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      mode_(mode),
      name_(new QLineEdit(this)),
      password_(new QLineEdit(this)) {
  setWindowTitle(Text(mode == Mode::kOpenConsole ? kTextLogin : kTextCloseProgram));
  password_->setEchoMode(QLineEdit::Password);
  auto* fields = new QFormLayout;
  fields->addRow(Text(kTextUserName), name_);
  fields->addRow(Text(kTextPassword), password_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(Text(kTextOk));
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

bool ConsoleLoginDialog::Login() {
  user_ = ConsoleLogin(name_->text().toStdString(), password_->text().toStdString());
  return user_.has_value();
}

QString ConsoleLoginDialog::FailureText() const {
  return Text(mode_ == Mode::kOpenConsole ? kTextLoginError : kTextCloseLoginFailed);
}

void ConsoleLoginDialog::accept() {
  if (Login()) {
    QDialog::accept();
    return;
  }
  QMessageBox::warning(this, Text(kTextProgramName), FailureText());
  reject();
}

}  // namespace orlentis
