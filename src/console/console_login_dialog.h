#pragma once

#include <QDialog>
#include <QString>
#include <optional>

#include "directory/console_login.h"

class QLineEdit;
class QPushButton;

namespace orlentis {

class DirectoryDoor;

// Asks for user name and password before the console opens or the program closes. One
// attempt: a failed login shows its message and ends the dialog as cancelled.
class ConsoleLoginDialog : public QDialog {
  Q_OBJECT

 public:
  enum class Mode { kOpenConsole, kCloseProgram };

  ConsoleLoginDialog(DirectoryDoor& door, Mode mode, QWidget* parent = nullptr);

  void SetCredentials(const QString& name, const QString& password);
  QString UserName() const;
  // Who logged in; set only once a login succeeded.
  const std::optional<ConsoleUser>& User() const { return user_; }
  // The message of a failed attempt, which differs between the two modes.
  QString FailureText() const;

  // OK: the console login through the door, OK being disabled until it has answered; then
  // accepted, or the failure message and cancelled.
  void accept() override;

 private:
  void OnLogin(const std::optional<ConsoleUser>& user);

  DirectoryDoor& door_;
  const Mode mode_;
  QLineEdit* name_;
  QLineEdit* password_;
  QPushButton* ok_ = nullptr;
  std::optional<ConsoleUser> user_;
};

}  // namespace orlentis
