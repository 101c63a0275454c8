#include "console/console_sheet.h"

#include "access/roles.h"
#include "base/settings.h"
#include "console/account_page.h"
#include "console/directory_door.h"
#include "console/log_page.h"
#include "console/monitor_page.h"
#include "console/preferences_page.h"
#include "directory/maintenance_schedule.h"

namespace orlentis {

ConsoleSheet::ConsoleSheet(DirectoryDoor& door, const ConsoleUser& user, QWidget* parent)
    : PropertySheet(parent), door_(door) {
  const bool consoleRight = (user.effectiveAuthority & kConsoleRight) != 0;
  Settings& settings = Settings::Instance();
  if (consoleRight) {
    AddPage(new AccountPage(door, user));
    AddPage(new MonitorPage(door));
    preferences_ = new PreferencesPage(door, settings.GetPreferences());
    AddPage(preferences_);
  }
  log_ = new LogPage(door, consoleRight, settings.GetLogLimits());
  AddPage(log_);
}

bool ConsoleSheet::StoreSettings() {
  Settings& settings = Settings::Instance();
  if (preferences_ != nullptr) settings.SetPreferences(preferences_->Preferences());
  settings.SetLogLimits(log_->Limits());
  settings.Save();
  door_.Post(RescheduleMaintenance);
  return preferences_ != nullptr && preferences_->ListeningAddressOrPortChanged();
}

}  // namespace orlentis
