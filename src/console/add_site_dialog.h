#pragma once

#include <QDialog>

#include "directory/site_accounts.h"

class QComboBox;
class QPushButton;

namespace orlentis {

class DatabaseStatusLine;
class DirectoryDoor;
class IpAddressField;

// Registers the instances of a recorder's address before it has ever checked in, so that its
// cameras can be given to users. OK with a blank address does nothing and leaves the dialog
// open; with any octet given the dialog closes once the sites are stored, and stays open,
// saying why on its status line, when the database did not store them.
class AddSiteDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AddSiteDialog(DirectoryDoor& door, QWidget* parent = nullptr);

  // The address as the fields hold it, a blank box empty.
  SiteAddress Address() const;
  // 1 to 4, as chosen.
  std::int32_t Instances() const;

  // OK: adds the sites, OK being disabled until that is over, unless the address is blank.
  void accept() override;

  IpAddressField& AddressField() { return *address_; }
  QComboBox& InstanceChoice() { return *instances_; }
  QPushButton& OkButton() { return *ok_; }
  DatabaseStatusLine& Status() { return *status_; }

 private:
  void OnAdded(const AccountVerdict& verdict);

  DirectoryDoor& door_;
  DatabaseStatusLine* status_;
  IpAddressField* address_;
  QComboBox* instances_;
  QPushButton* ok_ = nullptr;
};

}  // namespace orlentis
