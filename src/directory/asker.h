#pragma once

#include <string>
#include <utility>

#include "directory/console_login.h"

namespace orlentis {

// Who asks the directory for a change, as far as the directory's own rules need to know: the
// source the change's event-log entry names, and the rights checked before it is made.
class Asker {
 public:
  // The console's user as its login found them; the console's changes are logged under the
  // program's name. Group setting is for the members of the group named exactly
  // "Administrator", letter case included.
  static Asker Console(const ConsoleUser& user);
  // An administration tool run on the server's machine: whoever can open the database file
  // there is its administrator, with every right. logSource names the tool and its user.
  static Asker MachineAdministrator(std::string logSource);

  const std::string& LogSource() const { return logSource_; }
  bool MaySetGroups() const { return maySetGroups_; }

 private:
  Asker(std::string logSource, bool maySetGroups)
      : logSource_(std::move(logSource)), maySetGroups_(maySetGroups) {}

  std::string logSource_;
  bool maySetGroups_;
};

}  // namespace orlentis
