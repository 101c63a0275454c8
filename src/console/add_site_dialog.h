#pragma once

#include <QDialog>

#include "directory/site_accounts.h"

class QComboBox;

namespace orlentis {

class IpAddressField;

// Registers the instances of a recorder's address before it has ever checked in, so that its
// cameras can be given to users. OK with a blank address does nothing and leaves the dialog
// open; with any octet given the dialog closes with OK, whatever the database did.
class AddSiteDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AddSiteDialog(QWidget* parent = nullptr);

  // The address as the fields hold it, a blank box empty.
  SiteAddress Address() const;
  // 1 to 4, as chosen.
  std::int32_t Instances() const;

  // OK: adds the sites and closes, unless the address is blank.
  void accept() override;

  IpAddressField& AddressField() { return *address_; }
  QComboBox& InstanceChoice() { return *instances_; }

 private:
  IpAddressField* address_;
  QComboBox* instances_;
};

}  // namespace orlentis
