#pragma once

#include <QDate>
#include <QString>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "base/settings.h"
#include "console/console_page.h"
#include "console/show_message.h"

class QDateEdit;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace orlentis {

class DatabaseStatusLine;
class DirectoryDoor;
class ReportList;
struct LogEntry;
struct LogExport;

// The console's view of the event log: every entry or those of a date range, the deletion of
// selected entries and the export of the whole log (both only with the console right), and
// the limit the log keeps itself to, taken back when the console closes with OK.
class LogPage : public ConsolePage {
  Q_OBJECT

 public:
  // Asks where to export the log; an empty name means the question was cancelled.
  using AskSaveFile = std::function<QString()>;

  LogPage(DirectoryDoor& door, bool consoleRight, const LogLimits& limits,
          QWidget* parent = nullptr);

  QString Title() const override;
  // Lists every entry, replacing a search result.
  void Activate() override;

  // The limit as the controls hold it; an empty count keeps the value it replaced.
  LogLimits Limits() const;

  // A list the database could not give keeps what it showed, and the status line says why.
  void ListAllEntries();
  // Lists the entries from the start of the from-day to the end of the to-day.
  void Search();
  void SetSearchDays(QDate from, QDate to);
  // Deletes the selected entries from the log and the list (console right only).
  void DeleteSelected();
  // Asks for a file and writes the whole log into it (console right only). A file of the
  // database's own is refused, and while the log cannot be read nothing is written; either is
  // said in a message.
  void Backup();

  void SetMessageBox(ShowMessage showMessage) { showMessage_ = std::move(showMessage); }
  void SetSaveFileQuestion(AskSaveFile askSaveFile) { askSaveFile_ = std::move(askSaveFile); }

  ReportList& List() { return *list_; }
  DatabaseStatusLine& Status() { return *status_; }

 private:
  // The days of a search; none for every entry.
  using Listing = std::optional<std::pair<QDate, QDate>>;

  QWidget* BuildLimitControls();
  QWidget* BuildSearchControls();
  QString AskSaveFileInDialog();
  // Takes the counts into limits_; an empty count is refused with a prompt.
  void ReadLimitControls();
  // Lists the entries again as listing asks, which the list then shows.
  void ListEntries(const Listing& listing);
  void ShowEntries(const std::vector<LogEntry>& entries);
  // What came of an export, said when it is not the file written.
  void ShowExport(const LogExport& result);

  DirectoryDoor& door_;
  const bool consoleRight_;
  LogLimits limits_;
  DatabaseStatusLine* status_;
  ReportList* list_;
  QRadioButton* recordsMode_ = nullptr;
  QRadioButton* daysMode_ = nullptr;
  QLineEdit* records_ = nullptr;
  QLineEdit* days_ = nullptr;
  QDateEdit* from_ = nullptr;
  QDateEdit* to_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* backup_ = nullptr;
  ShowMessage showMessage_;
  AskSaveFile askSaveFile_;
};

}  // namespace orlentis
