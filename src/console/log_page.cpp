#include "console/log_page.h"

#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <chrono>

#include "base/clock.h"
#include "base/language.h"
#include "base/text_ids.h"
#include "console/database_status_line.h"
#include "console/directory_door.h"
#include "console/page_text.h"
#include "console/report_list.h"
#include "console/save_file_question.h"
#include "directory/log_entries.h"
#include "directory/shared_directory.h"

namespace orlentis {
namespace {

constexpr int kDaysMode = 1;

std::chrono::year_month_day DayOf(QDate date) {
  return std::chrono::year_month_day(std::chrono::year(date.year()),
                                     std::chrono::month(static_cast<unsigned>(date.month())),
                                     std::chrono::day(static_cast<unsigned>(date.day())));
}

QDate Today() {
  return QDateTime::fromSecsSinceEpoch(CurrentClock().Now()).date();
}

// A count edit: digits only, few enough for a 32-bit value.
QLineEdit* CountEdit(std::int32_t value) {
  auto* edit = new QLineEdit(QString::number(value));
  edit->setValidator(new QRegularExpressionValidator(QRegularExpression("\\d{0,9}"), edit));
  return edit;
}

std::int32_t CountOr(const QLineEdit& edit, std::int32_t fallback) {
  bool ok = false;
  const int value = edit.text().toInt(&ok);
  return ok ? value : fallback;
}

// Why the log could not be read: a repair under way, or anything else the database said.
QString NotReadMessage(DbOutcome outcome) {
  if (outcome == DbOutcome::kSkipped) {
    return NewerPageText(kTextExportDatabaseUnavailable);
  }
  return NewerPageText(kTextLogNotRead);
}

QDateEdit* DatePicker(QDate date) {
  auto* picker = new QDateEdit(date);
  picker->setCalendarPopup(true);
  return picker;
}

}  // namespace

LogPage::LogPage(DirectoryDoor& door, bool consoleRight, const LogLimits& limits, QWidget* parent)
    : ConsolePage(parent),
      door_(door),
      consoleRight_(consoleRight),
      limits_(limits),
      status_(new DatabaseStatusLine),
      list_(new ReportList(true)),
      showMessage_(WarningBoxOver(this)),
      askSaveFile_([this] { return AskSaveFileInDialog(); }) {
  list_->SetColumns(PageText(kTextLogColumns));
  if (DirectoryIsShared()) list_->SetColumns(PageText(kTextServerColumn));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addWidget(list_);
  layout->addWidget(BuildLimitControls());
  layout->addWidget(BuildSearchControls());
}

QWidget* LogPage::BuildLimitControls() {
  recordsMode_ = new QRadioButton;
  daysMode_ = new QRadioButton;
  records_ = CountEdit(limits_.keepRecords);
  days_ = CountEdit(limits_.keepDays);
  (limits_.mode == kDaysMode ? daysMode_ : recordsMode_)->setChecked(true);
  recordsMode_->setObjectName("recordsMode");
  daysMode_->setObjectName("daysMode");
  records_->setObjectName("records");
  days_->setObjectName("days");
  for (QWidget* control :
       std::initializer_list<QWidget*>{recordsMode_, daysMode_, records_, days_}) {
    control->setEnabled(consoleRight_);
  }

  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->addWidget(new QLabel(PageText(kTextRecordsLimit)), 0, 0, 1, 3);
  grid->addWidget(recordsMode_, 1, 0);
  grid->addWidget(records_, 1, 1);
  grid->addWidget(new QLabel(PageText(kTextRecords)), 1, 2);
  grid->addWidget(daysMode_, 2, 0);
  grid->addWidget(days_, 2, 1);
  grid->addWidget(new QLabel(PageText(kTextDays)), 2, 2);
  grid->setColumnStretch(3, 1);
  return box;
}

QWidget* LogPage::BuildSearchControls() {
  from_ = DatePicker(Today());
  to_ = DatePicker(Today());
  auto* search = new QPushButton(PageText(kTextSearch));
  delete_ = new QPushButton(PageText(kTextDeleteLogEntries));
  backup_ = new QPushButton(PageText(kTextBackup));
  search->setObjectName("search");
  delete_->setObjectName("delete");
  backup_->setObjectName("backup");
  delete_->setEnabled(consoleRight_);
  backup_->setEnabled(consoleRight_);
  connect(search, &QPushButton::clicked, this, &LogPage::Search);
  connect(delete_, &QPushButton::clicked, this, &LogPage::DeleteSelected);
  connect(backup_, &QPushButton::clicked, this, &LogPage::Backup);

  auto* box = new QWidget;
  auto* row = new QHBoxLayout(box);
  row->addWidget(from_);
  row->addWidget(new QLabel(PageText(kTextTo)));
  row->addWidget(to_);
  row->addWidget(search);
  row->addStretch();
  row->addWidget(delete_);
  row->addWidget(backup_);
  return box;
}

QString LogPage::Title() const {
  return PageText(kTextLog);
}

void LogPage::Activate() {
  ListAllEntries();
}

LogLimits LogPage::Limits() const {
  return {CountOr(*records_, limits_.keepRecords), CountOr(*days_, limits_.keepDays),
          daysMode_->isChecked() ? kDaysMode : 0};
}

void LogPage::ListAllEntries() {
  ReadLimitControls();
  ListEntries(std::nullopt);
}

void LogPage::Search() {
  ReadLimitControls();
  ListEntries(std::pair(from_->date(), to_->date()));
}

void LogPage::ListEntries(const Listing& listing) {
  status_->Ask(
      door_, this,
      [listing] {
        if (!listing) return ListLogEntries();
        return ListLogEntriesBetween(DayOf(listing->first), DayOf(listing->second));
      },
      [this](const DbResult<std::vector<LogEntry>>& entries) {
        if (entries.value) ShowEntries(*entries.value);
      });
}

void LogPage::SetSearchDays(QDate from, QDate to) {
  from_->setDate(from);
  to_->setDate(to);
}

void LogPage::DeleteSelected() {
  if (!consoleRight_) return;
  const std::vector<std::int64_t> keys = list_->SelectedKeys();
  if (keys.empty()) return;
  // A deletion is all or none, and once done none of its entries is left, whether it removed
  // them or someone else did first. The rows go by key, so a sort or a new fill of the list
  // since the selection does not matter.
  status_->Ask(
      door_, this, [keys] { return DeleteLogEntries(keys); },
      [this, keys](const DbResult<std::size_t>& deleted) {
        if (deleted.Done()) list_->DeleteRowsWithKeys(keys);
      });
}

void LogPage::Backup() {
  if (!consoleRight_) return;
  const QString file = askSaveFile_();
  if (file.isEmpty()) return;
  door_.Ask(
      this, [path = file.toStdString()] { return ExportLog(path); },
      [this](const LogExport& result) { ShowExport(result); });
}

void LogPage::ShowExport(const LogExport& result) {
  switch (result.outcome) {
    case LogExport::Outcome::kWritten:
      return;
    case LogExport::Outcome::kDatabaseFile:
      showMessage_(PageText(kTextProgramName), NewerPageText(kTextDatabaseFileTarget));
      return;
    case LogExport::Outcome::kNotRead:
      showMessage_(PageText(kTextProgramName), NotReadMessage(result.database));
      return;
    case LogExport::Outcome::kNotWritten:
      showMessage_(QStringLiteral("I/O error!!!"), PageText(kTextExportFailed));
      return;
  }
}

QString LogPage::AskSaveFileInDialog() {
  return AskFileToWrite(this, PageText(kTextBackup), QStringLiteral("LogMsg"),
                        QStringLiteral("Text file (*.txt)"), QStringLiteral("txt"));
}

void LogPage::ReadLimitControls() {
  if (records_->text().isEmpty() || days_->text().isEmpty()) {
    showMessage_(PageText(kTextProgramName), QStringLiteral("Please enter an integer."));
  }
  limits_ = Limits();
}

void LogPage::ShowEntries(const std::vector<LogEntry>& entries) {
  // A long log fills in one go, without a repaint per row.
  list_->setUpdatesEnabled(false);
  list_->DeleteAllRows();
  for (const LogEntry& entry : entries) {
    const int row =
        list_->AddRow({QString::fromStdString(entry.time), QString::fromStdString(entry.source),
                       QString::fromStdString(entry.action), QString::fromStdString(entry.detail),
                       QString::fromStdString(entry.server)});
    list_->SetRowKey(row, entry.key);
  }
  list_->setUpdatesEnabled(true);
}

}  // namespace orlentis
