#pragma once

#include <QString>
#include <optional>

#include "base/settings.h"
#include "console/console_page.h"
#include "console/show_message.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace orlentis {

class DatabaseStatusLine;
class DirectoryDoor;
class IpAddressField;
class ReportList;
struct IpFilterRange;

// The console's preferences: listening address and port, database maintenance, domain logon
// and the IP filter. The filter's ranges are written to the database at once by Add and
// Delete; everything else is edited in a copy of the preference block that the console takes
// back when it closes with OK.
class PreferencesPage : public ConsolePage {
  Q_OBJECT

 public:
  PreferencesPage(DirectoryDoor& door, const PreferenceBlock& preferences,
                  QWidget* parent = nullptr);

  QString Title() const override;
  // Reloads the ranges: the listener's table may have been changed by another console.
  void Activate() override;

  // The block as the controls hold it; a port that is not valid keeps the port it replaced.
  PreferenceBlock Preferences() const;
  // Whether the listening address or port differs from the block the page was opened with;
  // either takes effect only at the next start of the program.
  bool ListeningAddressOrPortChanged() const;
  // False, after saying so, while the port is not a whole number from 0 to 65535.
  bool CanLeave() override;

  // A list the database could not give keeps what it showed, and the status line says why.
  void ReloadRanges();
  // Adds the range of the From and To fields and the description, then reloads the list.
  void AddRange();
  // Deletes the selected ranges from the table, then reloads the list.
  void DeleteSelectedRanges();

  void SetMessageBox(ShowMessage showMessage) { showMessage_ = std::move(showMessage); }

  ReportList& RangeList() { return *ranges_; }
  IpAddressField& ListeningAddressField() { return *address_; }
  IpAddressField& RangeFromField() { return *from_; }
  IpAddressField& RangeToField() { return *to_; }
  DatabaseStatusLine& Status() { return *status_; }

 private:
  QWidget* BuildListenerControls();
  QWidget* BuildMaintenanceControls();
  QWidget* BuildFilterControls();
  std::optional<std::int32_t> Port() const;
  void OnAddressEdited();
  void EnableDependentControls();
  void ShowRanges(const std::vector<IpFilterRange>& ranges);

  DirectoryDoor& door_;
  DatabaseStatusLine* status_;
  const PreferenceBlock opened_;
  QString listenAddress_;
  IpAddressField* address_ = nullptr;
  QLineEdit* port_ = nullptr;
  QCheckBox* maintenance_ = nullptr;
  QComboBox* interval_ = nullptr;
  QCheckBox* domainLogon_ = nullptr;
  QLineEdit* domain_ = nullptr;
  QCheckBox* filter_ = nullptr;
  QRadioButton* denyMode_ = nullptr;
  QRadioButton* acceptMode_ = nullptr;
  ReportList* ranges_ = nullptr;
  IpAddressField* from_ = nullptr;
  IpAddressField* to_ = nullptr;
  QLineEdit* description_ = nullptr;
  QList<QWidget*> filterControls_;
  ShowMessage showMessage_;
};

}  // namespace orlentis
