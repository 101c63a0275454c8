#include "console/add_site_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "console/door_waits.h"
#include "console/ip_address_field.h"
#include "store/database_maintenance.h"
#include "support/store/store_rows.h"
#include "support/store/temp_database.h"

namespace orlentis::testing {
namespace {

class AddSiteDialogTest : public ::testing::Test {
 protected:
  AddSiteDialogTest() {
    DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
    dialog_.show();
  }

  TempDatabase database_;
  DirectoryDoor door_;
  AddSiteDialog dialog_{door_};
};

TEST_F(AddSiteDialogTest, BlankAddressStaysOpenAndAddsNothing) {
  ASSERT_EQ(dialog_.InstanceChoice().count(), 4);
  EXPECT_EQ(dialog_.InstanceChoice().currentText(), "1");
  EXPECT_FALSE(dialog_.InstanceChoice().isEditable());
  dialog_.InstanceChoice().setCurrentIndex(3);
  dialog_.accept();
  Settle(door_);
  EXPECT_TRUE(dialog_.isVisible());
  EXPECT_TRUE(AllSites().empty());
}

TEST_F(AddSiteDialogTest, PartlyBlankAddressRegistersZerosAndCloses) {
  QTest::keyClicks(&dialog_.AddressField().Box(0), "192.");
  QTest::keyClicks(&dialog_.AddressField().Box(1), "168");
  dialog_.InstanceChoice().setCurrentIndex(1);
  dialog_.accept();
  EXPECT_FALSE(dialog_.OkButton().isEnabled()) << "while the sites are stored";
  Settle(door_);
  EXPECT_TRUE(dialog_.OkButton().isEnabled());
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_EQ(dialog_.result(), QDialog::Accepted);
  const auto sites = AllSites();
  ASSERT_EQ(sites.size(), 2u);
  for (const SiteRow& site : sites) EXPECT_EQ(site.strIP, "192.168.0.0");
  EXPECT_EQ(sites[0].nInstanceID + sites[1].nInstanceID, 1);
}

}  // namespace
}  // namespace orlentis::testing
