#include "console/console_sheet.h"

#include "access/roles.h"
#include "base/settings.h"
#include "console/account_page.h"
#include "console/log_page.h"
#include "console/monitor_page.h"
#include "console/preferences_page.h"
#include "directory/maintenance_schedule.h"

namespace orlentis {

ConsoleSheet::ConsoleSheet(const ConsoleUser& user, QWidget* parent) : PropertySheet(parent) {
  const bool consoleRight = (user.effectiveAuthority & kConsoleRight) != 0;
  Settings& settings = Settings::Instance();
  if (consoleRight) {
    AddPage(new AccountPage(user));
    AddPage(new MonitorPage);
    preferences_ = new PreferencesPage(settings.GetPreferences());
    AddPage(preferences_);
  }
  log_ = new LogPage(consoleRight, settings.GetLogLimits());
  AddPage(log_);
}

bool ConsoleSheet::StoreSettings() {
  Settings& settings = Settings::Instance();
  if (preferences_ != nullptr) settings.SetPreferences(preferences_->Preferences());
  settings.SetLogLimits(log_->Limits());
  settings.Save();
  RescheduleMaintenance();
  return preferences_ != nullptr && preferences_->ListeningAddressOrPortChanged();
}

}  // namespace orlentis
