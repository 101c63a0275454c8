#include "console/preferences_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "base/language.h"
#include "base/setting_table.h"
#include "base/text_ids.h"
#include "console/database_status_line.h"
#include "console/directory_door.h"
#include "console/ip_address_field.h"
#include "console/page_text.h"
#include "console/report_list.h"
#include "directory/ip_filter_ranges.h"

namespace orlentis {
namespace {

QWidget* Row(std::initializer_list<QWidget*> widgets) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  for (QWidget* widget : widgets) layout->addWidget(widget);
  layout->addStretch();
  return row;
}

}  // namespace

PreferencesPage::PreferencesPage(DirectoryDoor& door, const PreferenceBlock& preferences,
                                 QWidget* parent)
    : ConsolePage(parent),
      door_(door),
      status_(new DatabaseStatusLine),
      opened_(preferences),
      listenAddress_(QString::fromStdString(preferences.listenAddress)),
      showMessage_(WarningBoxOver(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addWidget(BuildListenerControls());
  layout->addWidget(BuildMaintenanceControls());
  layout->addWidget(BuildFilterControls());
  EnableDependentControls();
}

QWidget* PreferencesPage::BuildListenerControls() {
  address_ = new IpAddressField;
  address_->SetText(listenAddress_);
  port_ = new QLineEdit(QString::number(opened_.port));
  port_->setValidator(new QRegularExpressionValidator(QRegularExpression("\\d{0,10}"), port_));
  port_->setObjectName("port");
  connect(address_, &IpAddressField::Edited, this, &PreferencesPage::OnAddressEdited);

  auto* box = new QWidget;
  auto* form = new QFormLayout(box);
  form->addRow(PageText(kTextIpAddress), address_);
  form->addRow(PageText(kTextPort), port_);
  return box;
}

QWidget* PreferencesPage::BuildMaintenanceControls() {
  maintenance_ = new QCheckBox(PageText(kTextAutoMaintenance));
  maintenance_->setChecked(opened_.autoMaintenance != 0);
  maintenance_->setObjectName("maintenance");
  interval_ = new QComboBox;
  const SettingDefinition& intervalKey = SettingOf(SettingId::kMaintenanceInterval);
  for (int index = intervalKey.min; index <= intervalKey.max; ++index) {
    interval_->addItem(PageText(kTextInterval1Day + index));
  }
  interval_->setCurrentIndex(NormalisedNumber(intervalKey, opened_.maintenanceInterval));
  domainLogon_ = new QCheckBox(PageText(kTextDomainLogon));
  domainLogon_->setChecked(opened_.domainLogon != 0);
  domain_ = new QLineEdit(QString::fromStdString(opened_.domain));
  domain_->setMaxLength(SettingOf(SettingId::kDomain).max);
  connect(maintenance_, &QCheckBox::clicked, this, &PreferencesPage::EnableDependentControls);

  auto* box = new QWidget;
  auto* column = new QVBoxLayout(box);
  column->addWidget(maintenance_);
  column->addWidget(Row(
      {new QLabel(PageText(kTextInterval)), interval_, new QLabel(PageText(kTextIntervalUnit))}));
  column->addWidget(domainLogon_);
  column->addWidget(Row({new QLabel(PageText(kTextDomain)), domain_}));
  return box;
}

QWidget* PreferencesPage::BuildFilterControls() {
  filter_ = new QCheckBox(PageText(kTextIpFilter));
  filter_->setChecked(opened_.ipFilter != 0);
  filter_->setObjectName("filter");
  denyMode_ = new QRadioButton(PageText(kTextDenyMode));
  acceptMode_ = new QRadioButton(PageText(kTextAcceptMode));
  (opened_.ipFilterMode == 1 ? acceptMode_ : denyMode_)->setChecked(true);
  ranges_ = new ReportList(true);
  ranges_->SetColumns(PageText(kTextRangeColumns));
  from_ = new IpAddressField;
  to_ = new IpAddressField;
  description_ = new QLineEdit;
  description_->setMaxLength(static_cast<int>(kMaxRangeDescription));
  description_->setObjectName("description");
  auto* add = new QPushButton(PageText(kTextAddRange));
  auto* remove = new QPushButton(PageText(kTextDeleteRange));
  filterControls_ = {denyMode_, acceptMode_, ranges_, from_, to_, description_, add, remove};
  connect(filter_, &QCheckBox::clicked, this, &PreferencesPage::EnableDependentControls);
  connect(add, &QPushButton::clicked, this, &PreferencesPage::AddRange);
  connect(remove, &QPushButton::clicked, this, &PreferencesPage::DeleteSelectedRanges);

  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->addWidget(filter_, 0, 0);
  grid->addWidget(Row({denyMode_, acceptMode_}), 0, 1);
  grid->addWidget(ranges_, 1, 0, 1, 2);
  grid->addWidget(new QLabel(PageText(kTextFrom)), 2, 0);
  grid->addWidget(from_, 2, 1);
  grid->addWidget(new QLabel(PageText(kTextTo)), 3, 0);
  grid->addWidget(to_, 3, 1);
  grid->addWidget(new QLabel(PageText(kTextDescription)), 4, 0);
  grid->addWidget(description_, 4, 1);
  grid->addWidget(Row({add, remove}), 5, 1);
  return box;
}

QString PreferencesPage::Title() const {
  return PageText(kTextPreferences);
}

void PreferencesPage::Activate() {
  ReloadRanges();
}

PreferenceBlock PreferencesPage::Preferences() const {
  PreferenceBlock block = opened_;
  block.listenAddress = listenAddress_.toStdString();
  block.port = Port().value_or(opened_.port);
  block.autoMaintenance = maintenance_->isChecked() ? 1 : 0;
  block.maintenanceInterval = interval_->currentIndex();
  block.domainLogon = domainLogon_->isChecked() ? 1 : 0;
  block.domain = domain_->text().toStdString();
  block.ipFilter = filter_->isChecked() ? 1 : 0;
  block.ipFilterMode = acceptMode_->isChecked() ? 1 : 0;
  return block;
}

bool PreferencesPage::ListeningAddressOrPortChanged() const {
  const PreferenceBlock block = Preferences();
  return block.listenAddress != opened_.listenAddress || block.port != opened_.port;
}

bool PreferencesPage::CanLeave() {
  if (Port()) return true;
  showMessage_(PageText(kTextProgramName),
               QStringLiteral("Please enter an integer between 0 and %1.")
                   .arg(SettingOf(SettingId::kPort).max));
  port_->setFocus();
  return false;
}

void PreferencesPage::ReloadRanges() {
  status_->Ask(
      door_, this, [] { return ListIpFilterRanges(); },
      [this](const DbResult<std::vector<IpFilterRange>>& ranges) {
        if (ranges.value) ShowRanges(*ranges.value);
      });
}

void PreferencesPage::ShowRanges(const std::vector<IpFilterRange>& ranges) {
  ranges_->DeleteAllRows();
  for (const IpFilterRange& range : ranges) {
    const int row =
        ranges_->AddRow({QString::fromStdString(range.from), QString::fromStdString(range.to),
                         QString::fromStdString(range.description)});
    ranges_->SetRowKey(row, range.key);
  }
}

// After a change that the database did not store, the list stays and the status line says
// why; a reload would take its words away.
void PreferencesPage::AddRange() {
  status_->Ask(
      door_, this,
      [from = from_->Value(), to = to_->Value(), description = description_->text().toStdString()] {
        return AddIpFilterRange(from, to, description);
      },
      [this](DbOutcome outcome) {
        if (outcome == DbOutcome::kDone) ReloadRanges();
      });
}

void PreferencesPage::DeleteSelectedRanges() {
  const std::vector<std::int64_t> keys = ranges_->SelectedKeys();
  if (keys.empty()) return;
  status_->Ask(
      door_, this, [keys] { return DeleteIpFilterRanges(keys); },
      [this](const DbResult<std::size_t>& deleted) {
        if (deleted.Done()) ReloadRanges();
      });
}

std::optional<std::int32_t> PreferencesPage::Port() const {
  bool ok = false;
  const qlonglong port = port_->text().toLongLong(&ok);
  const SettingDefinition& portKey = SettingOf(SettingId::kPort);
  if (!ok || port < portKey.min || port > portKey.max) return std::nullopt;
  return static_cast<std::int32_t>(port);
}

void PreferencesPage::OnAddressEdited() {
  // Zeros throughout mean any address, which is an empty setting; once all four are typed
  // the field shows it so.
  if (address_->Value() != 0) {
    listenAddress_ = address_->Text();
    return;
  }
  listenAddress_.clear();
  if (address_->IsComplete()) address_->Clear();
}

void PreferencesPage::EnableDependentControls() {
  interval_->setEnabled(maintenance_->isChecked());
  for (QWidget* control : filterControls_) control->setEnabled(filter_->isChecked());
}

}  // namespace orlentis
