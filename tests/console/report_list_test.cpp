#include "console/report_list.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTest>

namespace orlentis::testing {
namespace {

QStringList Column(const ReportList& list, int column) {
  QStringList texts;
  for (int row = 0; row < list.RowCount(); ++row) texts << list.CellText(row, column);
  return texts;
}

QStringList HeaderTexts(ReportList& list) {
  QStringList names;
  for (int column = 0; column < list.ColumnCount(); ++column) {
    names << list.headerItem()->text(column);
  }
  return names;
}

void ClickHeader(ReportList& list, int column) {
  QHeaderView* header = list.header();
  const QPoint inside(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                      header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, inside);
}

TEST(ReportListTest, ColumnSpecEntriesBecomeColumnsUntilOneWithoutAComma) {
  ReportList sites(true);
  EXPECT_EQ(sites.ColumnCount(), 0);
  ASSERT_TRUE(sites.SetColumns("Site Name,100;IP Address,80;Port,40;Cameras,100;"));
  EXPECT_EQ(HeaderTexts(sites), QStringList({"Site Name", "IP Address", "Port", "Cameras"}));
  EXPECT_EQ(sites.header()->sectionSize(1), 80);
  EXPECT_EQ(sites.columnCount(), 4);

  // The last width runs to the end of the text; a second spec appends.
  ReportList log(true);
  ASSERT_TRUE(log.SetColumns("Time,156;From,160"));
  ASSERT_TRUE(log.SetColumns("Action,100;Detail,abc"));
  EXPECT_EQ(HeaderTexts(log), QStringList({"Time", "From", "Action", "Detail"}));
  EXPECT_EQ(log.header()->sectionSize(1), 160);
  EXPECT_EQ(log.header()->sectionSize(3), 0);

  ReportList cameras(true);
  ASSERT_TRUE(cameras.SetColumns("Name,80;View,64;recording,60;Detection,60;Loss Signal 60;"));
  EXPECT_EQ(HeaderTexts(cameras), QStringList({"Name", "View", "recording", "Detection"}));
}

TEST(ReportListTest, RowsKeepTheirTextsAndValueAndTakeNoMoreTextsThanColumns) {
  ReportList list(false);
  list.SetColumns("A,10;B,10;");
  EXPECT_EQ(list.AddRow({"a0", "b0", "extra"}), 0);
  EXPECT_EQ(list.AddRow({"a1"}), 1);
  EXPECT_EQ(list.CellText(0, 1), "b0");
  EXPECT_EQ(list.CellText(0, 2), "");
  EXPECT_EQ(list.topLevelItem(0)->columnCount(), 2);
  EXPECT_EQ(list.CellText(1, 1), "");

  EXPECT_EQ(list.RowValue(1), 0u);
  EXPECT_TRUE(list.SetRowValue(1, 0xFFFFFFFFu));
  EXPECT_EQ(list.RowValue(1), 0xFFFFFFFFu);
  EXPECT_FALSE(list.SetRowValue(2, 7));

  list.topLevelItem(1)->setSelected(true);
  list.topLevelItem(0)->setSelected(true);
  EXPECT_EQ(list.SelectedRows(), std::vector<int>({0, 1}));

  EXPECT_TRUE(list.DeleteRow(0));
  EXPECT_FALSE(list.DeleteRow(5));
  EXPECT_EQ(list.RowCount(), 1);
  EXPECT_EQ(list.RowValue(0), 0xFFFFFFFFu);
  list.DeleteAllRows();
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(list.ColumnCount(), 2);
}

TEST(ReportListTest, TheFirstTextChoosesNumberDateOrTextComparison) {
  // Digits only, read as numbers; an empty text is the number 0, and so is any other text
  // compared against it.
  EXPECT_LT(ReportList::CompareCells("9", "10"), 0);
  EXPECT_LT(ReportList::CompareCells("", "5"), 0);
  EXPECT_EQ(ReportList::CompareCells("", "abc"), 0);
  EXPECT_GT(ReportList::CompareCells("5", "abc"), 0);
  EXPECT_EQ(ReportList::CompareCells("007", "7"), 0);
  // Day/month/year: year first, then month, then day.
  EXPECT_LT(ReportList::CompareCells("10/05/2012", "01/06/2012"), 0);
  EXPECT_LT(ReportList::CompareCells("31/12/2011", "01/01/2012"), 0);
  EXPECT_GT(ReportList::CompareCells("02/06/2012", "01/06/2012"), 0);
  // Text: locale-aware and case-sensitive, also for a number against a text.
  EXPECT_GT(ReportList::CompareCells("abc", "5"), 0);
  EXPECT_LT(ReportList::CompareCells("apple", "banana"), 0);
  EXPECT_NE(ReportList::CompareCells("camera", "Camera"), 0);
  EXPECT_EQ(ReportList::CompareCells("Camera", "Camera"), 0);
}

class ReportListSortTest : public ::testing::Test {
 protected:
  ReportListSortTest() {
    list_.SetColumns("Name,100;Count,60;Date,100;");
    list_.AddRow({"beta", "10", "10/05/2012"});
    list_.AddRow({"alpha", "9", "01/06/2012"});
    list_.AddRow({"gamma", "", "01/01/2013"});
    list_.SetRowValue(0, 100);
    list_.resize(400, 200);
    list_.show();
  }

  ReportList list_{true};
};

TEST_F(ReportListSortTest, HeaderClicksSortAscendingThenDescendingThenAscending) {
  EXPECT_EQ(list_.SortColumn(), -1);
  ClickHeader(list_, 1);
  EXPECT_EQ(list_.SortColumn(), 1);
  EXPECT_TRUE(list_.SortAscending());
  EXPECT_EQ(Column(list_, 1), QStringList({"", "9", "10"}));
  EXPECT_EQ(list_.header()->sortIndicatorSection(), 1);
  EXPECT_EQ(list_.header()->sortIndicatorOrder(), Qt::AscendingOrder);
  EXPECT_TRUE(list_.header()->isSortIndicatorShown());
  EXPECT_EQ(list_.RowValue(2), 100u);

  ClickHeader(list_, 1);
  EXPECT_FALSE(list_.SortAscending());
  EXPECT_EQ(Column(list_, 1), QStringList({"10", "9", ""}));
  EXPECT_EQ(list_.header()->sortIndicatorOrder(), Qt::DescendingOrder);
  ClickHeader(list_, 1);
  EXPECT_EQ(Column(list_, 1), QStringList({"", "9", "10"}));

  // Another column starts ascending whatever the order was.
  ClickHeader(list_, 0);
  ClickHeader(list_, 0);
  ClickHeader(list_, 2);
  EXPECT_TRUE(list_.SortAscending());
  EXPECT_EQ(Column(list_, 2), QStringList({"10/05/2012", "01/06/2012", "01/01/2013"}));
  EXPECT_EQ(list_.header()->sortIndicatorSection(), 2);
}

TEST_F(ReportListSortTest, ARefreshKeepsItsOrderAndTheNextClickReversesTheColumn) {
  list_.SortByColumn(0, true);
  list_.DeleteAllRows();
  list_.AddRow({"zeta", "1", ""});
  list_.AddRow({"alpha", "2", ""});
  list_.AddRow({"eta", "3", ""});
  EXPECT_EQ(Column(list_, 0), QStringList({"zeta", "alpha", "eta"}));
  ClickHeader(list_, 0);
  EXPECT_FALSE(list_.SortAscending());
  EXPECT_EQ(Column(list_, 0), QStringList({"zeta", "eta", "alpha"}));
}

TEST(ReportListTest, HeaderClicksOfAnUnsortableListDoNothing) {
  ReportList list(false);
  list.SetColumns("Name,100;");
  list.AddRow({"b"});
  list.AddRow({"a"});
  list.show();
  ClickHeader(list, 0);
  EXPECT_EQ(list.SortColumn(), -1);
  EXPECT_EQ(Column(list, 0), QStringList({"b", "a"}));
}

TEST(ReportListTest, AHundredThousandRowsFillAndSort) {
  ReportList list(true);
  list.SetColumns("Number,80;Text,80;");
  list.show();
  constexpr int kRows = 100'000;
  for (int row = 0; row < kRows; ++row) {
    const int number = (row * 7919) % kRows;
    list.AddRow({QString::number(number), QStringLiteral("row %1").arg(number)});
  }
  ASSERT_EQ(list.RowCount(), kRows);
  list.SortByColumn(0, false);
  EXPECT_EQ(list.CellText(0, 0), QString::number(kRows - 1));
  EXPECT_EQ(list.CellText(kRows - 1, 1), "row 0");
}

}  // namespace
}  // namespace orlentis::testing
