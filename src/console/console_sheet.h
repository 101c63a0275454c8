#pragma once

#include "base/settings.h"
#include "console/property_sheet.h"
#include "console/show_message.h"
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
  // The pages start from Setting.ini as it is now: orlentis-admin may have changed it since the
  // program read it. They reach the directory through door.
  ConsoleSheet(DirectoryDoor& door, const ConsoleUser& user, QWidget* parent = nullptr);

  // After OK: whether the listening address or port changed, which takes effect only at the
  // next start.
  bool RestartNeeded() const { return restartNeeded_; }

  PreferencesPage* Preferences() const { return preferences_; }
  LogPage* Log() const { return log_; }

  void SetMessageBox(ShowMessage showMessage) { showMessage_ = std::move(showMessage); }

 protected:
  // Writes into the settings file the preferences (with the console right) and log limits
  // that the pages changed, and has the directory schedule the next maintenance from the
  // stored interval. A file that cannot be written is said, and the sheet stays open.
  bool Commit() override;

 private:
  EditableSettings Edited() const;

  DirectoryDoor& door_;
  EditableSettings opened_;
  PreferencesPage* preferences_ = nullptr;
  LogPage* log_ = nullptr;
  ShowMessage showMessage_;
  bool restartNeeded_ = false;
};

}  // namespace orlentis
