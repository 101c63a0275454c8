#pragma once

#include "console/property_sheet.h"
#include "directory/console_login.h"

namespace orlentis {

class DirectoryDoor;
class LogPage;
class PreferencesPage;

// The console of one login: the pages its user may see (Account, Monitor and Preferences need
// the console right, Log is always there) and what pressing OK stores.
class ConsoleSheet : public PropertySheet {
  Q_OBJECT

 public:
  // The pages reach the directory through door.
  ConsoleSheet(DirectoryDoor& door, const ConsoleUser& user, QWidget* parent = nullptr);

  // After OK: keeps the pages' preferences (with the console right) and log limits, writes
  // the settings file and has the directory schedule the next maintenance from the stored
  // interval. True when the listening address or port changed, which takes effect only at the
  // next start.
  bool StoreSettings();

  PreferencesPage* Preferences() const { return preferences_; }
  LogPage* Log() const { return log_; }

 private:
  DirectoryDoor& door_;
  PreferencesPage* preferences_ = nullptr;
  LogPage* log_ = nullptr;
};

}  // namespace orlentis
