#include "console/console_sheet.h"

#include "access/roles.h"
#include "base/text_ids.h"
#include "console/account_page.h"
#include "console/directory_door.h"
#include "console/log_page.h"
#include "console/monitor_page.h"
#include "console/page_text.h"
#include "console/preferences_page.h"
#include "directory/maintenance_schedule.h"

namespace orlentis {
namespace {}  // namespace

ConsoleSheet::ConsoleSheet(DirectoryDoor& door, const ConsoleUser& user, QWidget* parent)
    : PropertySheet(parent), door_(door), showMessage_(WarningBoxOver(this)) {
  const bool consoleRight = (user.effectiveAuthority & kConsoleRight) != 0;
  Settings& settings = Settings::Instance();
  settings.ReloadEditable();
  opened_ = settings.GetEditable();
  if (consoleRight) {
    AddPage(new AccountPage(door, user));
    AddPage(new MonitorPage(door));
    preferences_ = new PreferencesPage(door, opened_.preferences);
    AddPage(preferences_);
  }
  log_ = new LogPage(door, consoleRight, opened_.logLimits);
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
    showMessage_(PageText(kTextProgramName), NewerPageText(kTextSettingsNotWritten));
    return false;
  }
  door_.Post(RescheduleMaintenance);
  restartNeeded_ = preferences_ != nullptr && preferences_->ListeningAddressOrPortChanged();
  return true;
}

}  // namespace orlentis
