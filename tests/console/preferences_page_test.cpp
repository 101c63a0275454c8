#include "console/preferences_page.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "console/door_waits.h"
#include "console/ip_address_field.h"
#include "console/log_page.h"
#include "console/property_sheet.h"
#include "console/report_list.h"
#include "directory/ip_filter_ranges.h"
#include "store/database_maintenance.h"
#include "support/store/temp_database.h"
#include "support/store/without_keys.h"

namespace orlentis::testing {
namespace {

class PreferencesPageTest : public ::testing::Test {
 protected:
  PreferencesPageTest() {
    DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
  }

  std::unique_ptr<PreferencesPage> OpenPage(const PreferenceBlock& block = {}) {
    auto page = std::make_unique<PreferencesPage>(door_, block);
    page->SetMessageBox([this](const QString&, const QString& text) { messages_ << text; });
    page->Activate();
    Settle(door_);
    return page;
  }

  // Types each number into its box, ending all but the last with a dot.
  static void Type(IpAddressField& field, const QString& dotted) {
    const QStringList parts = dotted.split(u'.');
    for (int index = 0; index < parts.size(); ++index) {
      QTest::keyClicks(&field.Box(index),
                       index + 1 < parts.size() ? parts[index] + u'.' : parts[index]);
    }
  }

  TempDatabase database_;
  DirectoryDoor door_;
  QStringList messages_;
};

TEST_F(PreferencesPageTest, PortOutsideZeroTo65535KeepsThePageOpen) {
  PreferenceBlock opened;
  opened.port = 10240;
  auto page = OpenPage(opened);
  auto* port = page->findChild<QLineEdit*>("port");
  for (const char* refused : {"65536", "", "99999999999"}) {
    port->setText(refused);
    EXPECT_FALSE(page->CanLeave()) << refused;
    EXPECT_EQ(page->Preferences().port, 10240);
  }
  EXPECT_EQ(messages_.size(), 3);
  EXPECT_TRUE(messages_.front().contains("65535"));
  EXPECT_FALSE(page->ListeningAddressOrPortChanged());

  port->setText("0");
  EXPECT_TRUE(page->CanLeave());
  EXPECT_EQ(page->Preferences().port, 0);
  EXPECT_TRUE(page->ListeningAddressOrPortChanged());
  EXPECT_EQ(messages_.size(), 3);
}

TEST_F(PreferencesPageTest, TheConsoleKeepsThePageWhileThePortIsInvalid) {
  PropertySheet sheet;
  auto* page = new PreferencesPage(door_, PreferenceBlock{});
  page->SetMessageBox([this](const QString&, const QString& text) { messages_ << text; });
  sheet.AddPage(page);
  sheet.AddPage(new LogPage(door_, true, LogLimits{}));
  sheet.show();
  page->findChild<QLineEdit*>("port")->setText("70000");
  sheet.SetCurrentPage(1);
  EXPECT_EQ(sheet.CurrentPage(), page);
  sheet.accept();
  EXPECT_FALSE(sheet.isHidden());
  EXPECT_EQ(messages_.size(), 2);

  page->findChild<QLineEdit*>("port")->setText("10241");
  sheet.SetCurrentPage(1);
  EXPECT_NE(sheet.CurrentPage(), page);
}

TEST_F(PreferencesPageTest, ListeningAddressOfZerosIsEmpty) {
  PreferenceBlock opened;
  opened.listenAddress = "10.0.0.5";
  auto page = OpenPage(opened);
  IpAddressField& address = page->ListeningAddressField();
  EXPECT_EQ(address.Text(), "10.0.0.5");
  address.Clear();
  Type(address, "0.0.0.0");
  EXPECT_TRUE(address.IsBlank());
  EXPECT_EQ(page->Preferences().listenAddress, "");
  EXPECT_TRUE(page->ListeningAddressOrPortChanged());

  // Zeros as opened show as a blank field and come back unchanged.
  opened.listenAddress = "0.0.0.0";
  auto untouched = OpenPage(opened);
  EXPECT_TRUE(untouched->ListeningAddressField().IsBlank());
  EXPECT_EQ(untouched->Preferences(), opened);
  EXPECT_FALSE(untouched->ListeningAddressOrPortChanged());
}

TEST_F(PreferencesPageTest, AddAndDeleteWriteTheRangesAtOnce) {
  auto page = OpenPage();
  Type(page->RangeFromField(), "192.168.1.10");
  Type(page->RangeToField(), "10.0.0.1");
  page->findChild<QLineEdit*>("description")->setText(QString(80, u'd'));
  page->AddRange();
  Settle(door_);
  page->AddRange();
  Settle(door_);

  const IpFilterRange added{"192.168.1.10", "10.0.0.1", std::string(63, 'd')};
  const std::vector<IpFilterRange> stored = ListIpFilterRanges().ValueOr({});
  EXPECT_EQ(WithoutKeys(stored), (std::vector<IpFilterRange>{added, added}));
  ReportList& list = page->RangeList();
  ASSERT_EQ(list.RowCount(), 2);
  EXPECT_EQ(list.CellText(0, 0), "192.168.1.10");
  EXPECT_EQ(list.CellText(0, 1), "10.0.0.1");
  EXPECT_EQ(list.CellText(0, 2), QString(63, u'd'));

  list.topLevelItem(1)->setSelected(true);
  page->DeleteSelectedRanges();
  Settle(door_);
  EXPECT_EQ(list.RowCount(), 1);
  EXPECT_EQ(ListIpFilterRanges().ValueOr({}), (std::vector<IpFilterRange>{stored[0]}));
}

TEST_F(PreferencesPageTest, BlankRangeFieldsAddZeros) {
  auto page = OpenPage();
  page->AddRange();
  Settle(door_);
  EXPECT_EQ(WithoutKeys(ListIpFilterRanges().ValueOr({})),
            (std::vector<IpFilterRange>{{"0.0.0.0", "0.0.0.0", ""}}));
}

TEST_F(PreferencesPageTest, IntervalChoiceAndTheControlsItDependsOn) {
  PreferenceBlock opened;
  opened.maintenanceInterval = 20;
  auto page = OpenPage(opened);
  auto* interval = page->findChild<QComboBox*>();
  ASSERT_EQ(interval->count(), 12);
  EXPECT_EQ(interval->currentIndex(), 11);
  for (int index = 0; index < interval->count(); ++index) {
    EXPECT_TRUE(interval->itemText(index).startsWith(
        QString::number(kMaintenanceIntervalDays.at(index)) + " "));
  }
  interval->setCurrentIndex(3);
  EXPECT_EQ(page->Preferences().maintenanceInterval, 3);

  auto* maintenance = page->findChild<QCheckBox*>("maintenance");
  maintenance->click();
  EXPECT_FALSE(interval->isEnabled());
  EXPECT_EQ(page->Preferences().autoMaintenance, 0);
}

TEST_F(PreferencesPageTest, FilterOffDisablesItsControlsButKeepsTheRanges) {
  AddIpFilterRange(1, 2, "kept");
  auto page = OpenPage();
  page->findChild<QCheckBox*>("filter")->click();
  EXPECT_EQ(page->Preferences().ipFilter, 0);
  EXPECT_FALSE(page->RangeList().isEnabled());
  EXPECT_FALSE(page->RangeFromField().isEnabled());
  EXPECT_FALSE(page->findChild<QLineEdit*>("description")->isEnabled());
  EXPECT_EQ(page->RangeList().RowCount(), 1);
  EXPECT_EQ(ListIpFilterRanges().ValueOr({}).size(), 1u);
}

}  // namespace
}  // namespace orlentis::testing
