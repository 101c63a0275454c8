#include "password_input.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "admin_status.h"

namespace orlentis::admin {
namespace {

std::string LineWithoutEnd(std::istream& in) {
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// Echo stays off while the object lives, and comes back however the reading ends.
class EchoOff {
 public:
  EchoOff() {
    if (::tcgetattr(STDIN_FILENO, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    active_ = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    if (active_) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  termios saved_{};
  bool active_ = false;
};

std::string Typed(const char* prompt, std::istream& in, std::ostream& err) {
  err << prompt << std::flush;
  std::string line;
  {
    const EchoOff echoOff;
    line = LineWithoutEnd(in);
  }
  err << "\n";
  return line;
}

}  // namespace

NewPassword ReadNewPassword(bool fromStandardInput, std::istream& in, std::ostream& err) {
  if (fromStandardInput) {
    const std::string line = LineWithoutEnd(in);
    return {line, line};
  }
  if (&in != &std::cin || ::isatty(STDIN_FILENO) != 1) {
    throw UsageError(
        "no terminal to type the password at: give it on standard input with "
        "--password-stdin");
  }
  NewPassword typed;
  typed.password = Typed("New password: ", in, err);
  typed.confirmation = Typed("Retype the new password: ", in, err);
  return typed;
}

}  // namespace orlentis::admin
