#include "console/console_sheet.h"

#include "access/roles.h"
#include "console/account_page.h"
#include "console/log_page.h"
#include "console/monitor_page.h"
#include "console/page_text.h"
#include "console/preferences_page.h"
#include "store/database_maintenance.h"

namespace orlentis {
namespace {

constexpr int kTextSettingsNotWritten = 267;

}  // namespace

ConsoleSheet::ConsoleSheet(const ConsoleUser& user, QWidget* parent)
    : PropertySheet(parent), showMessage_(WarningBoxOver(this)) {
  const bool consoleRight = (user.effectiveAuthority & kConsoleRight) != 0;
  Settings& settings = Settings::Instance();
  settings.ReloadEditable();
  opened_ = settings.GetEditable();
  if (consoleRight) {
    AddPage(new AccountPage(user));
    AddPage(new MonitorPage);
    preferences_ = new PreferencesPage(opened_.preferences);
    AddPage(preferences_);
  }
  log_ = new LogPage(consoleRight, opened_.logLimits);
  AddPage(log_);
}

EditableSettings ConsoleSheet::Edited() const {
  EditableSettings edited = opened_;
  if (preferences_ != nullptr) edited.preferences = preferences_->Preferences();
  edited.logLimits = log_->Limits();
  return edited;
}

bool ConsoleSheet::Commit() {
  if (!Settings::Instance().SaveEdits(opened_, Edited())) {
    showMessage_(PageText(kTextProgramName),
                 PageTextOr(kTextSettingsNotWritten,
                            "Setting.ini could not be written: the settings are as they were."));
    return false;
  }
  DatabaseMaintenance::Instance().ScheduleNextMaintenance();
  restartNeeded_ = preferences_ != nullptr && preferences_->ListeningAddressOrPortChanged();
  return true;
}

}  // namespace orlentis
