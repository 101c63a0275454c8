#pragma once

#include <QDialog>
#include <QString>
#include <optional>

#include "directory/console_login.h"

class QLineEdit;

namespace orlentis {

// Asks for user name and password before the console opens or the program closes. One
// attempt: a failed login shows its message and ends the dialog as cancelled.
class ConsoleLoginDialog : public QDialog {
  Q_OBJECT

 public:
  enum class Mode { kOpenConsole, kCloseProgram };

  explicit ConsoleLoginDialog(Mode mode, QWidget* parent = nullptr);

  void SetCredentials(const QString& name, const QString& password);
  QString UserName() const;
  // Checks the fields with the console login; on success the user is kept.
  bool Login();
  // Who logged in; set only after a successful Login().
  const std::optional<ConsoleUser>& User() const { return user_; }
  // The message of a failed attempt, which differs between the two modes.
  QString FailureText() const;

  // OK: the login, then accepted, or the failure message and cancelled.
  void accept() override;

 private:
  const Mode mode_;
  QLineEdit* name_;
  QLineEdit* password_;
  std::optional<ConsoleUser> user_;
};

}  // namespace orlentis
