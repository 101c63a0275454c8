#include "console/add_site_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/text_ids.h"
#include "console/database_status_line.h"
#include "console/directory_door.h"
#include "console/ip_address_field.h"
#include "console/page_text.h"

namespace orlentis {
namespace {}  // namespace

AddSiteDialog::AddSiteDialog(DirectoryDoor& door, QWidget* parent)
    : QDialog(parent),
      door_(door),
      status_(new DatabaseStatusLine),
      address_(new IpAddressField),
      instances_(new QComboBox) {
  setWindowTitle(PageText(kTextAddSite));
  for (int count = 1; count <= kMaxAddedInstances; ++count) {
    instances_->addItem(QString::number(count));
  }
  auto* fields = new QFormLayout;
  fields->addRow(PageText(kTextIpAddress), address_);
  fields->addRow(PageText(kTextInstances), instances_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setText(PageText(kTextOk));
  buttons->button(QDialogButtonBox::Cancel)->setText(PageText(kTextCancel));
  connect(buttons, &QDialogButtonBox::accepted, this, &AddSiteDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &AddSiteDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addLayout(fields);
  layout->addWidget(buttons);
}

SiteAddress AddSiteDialog::Address() const {
  SiteAddress address;
  const std::uint32_t value = address_->Value();
  for (int index = 0; index < 4; ++index) {
    if (address_->Box(index).text().isEmpty()) continue;
    address[static_cast<std::size_t>(index)] =
        static_cast<std::uint8_t>(value >> (8 * (3 - index)) & 0xFFU);
  }
  return address;
}

std::int32_t AddSiteDialog::Instances() const {
  return instances_->currentIndex() + 1;
}

void AddSiteDialog::accept() {
  if (address_->IsBlank()) return;
  ok_->setEnabled(false);
  status_->Ask(
      door_, this,
      [address = Address(), instances = Instances()] { return AddSites(address, instances); },
      [this](const AccountVerdict& verdict) { OnAdded(verdict); });
}

void AddSiteDialog::OnAdded(const AccountVerdict& verdict) {
  ok_->setEnabled(true);
  if (verdict.IsDone()) QDialog::accept();
}

}  // namespace orlentis
