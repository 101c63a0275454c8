#include "console/report_list.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <algorithm>
#include <limits>

namespace orlentis {
namespace {

constexpr int kRowValueRole = Qt::UserRole;
constexpr int kRowKeyRole = Qt::UserRole + 1;

std::int64_t KeyOf(const QTreeWidgetItem& item) {
  return item.data(0, kRowKeyRole).toLongLong();
}

// The value of the leading decimal number of text, read as the C library's atoi reads it:
// blanks, an optional sign, digits; anything else gives 0.
qint64 LeadingNumber(QStringView text) {
  qsizetype i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  qint64 value = 0;
  constexpr qint64 kLimit = std::numeric_limits<qint64>::max() / 10 - 9;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    if (value < kLimit) value = value * 10 + (text[i].unicode() - u'0');
  }
  return negative ? -value : value;
}

bool IsDigitsOnly(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool IsDate(const QString& text) {
  if (text.size() != 10 || text[2] != u'/' || text[5] != u'/') return false;
  for (int i : {0, 1, 3, 4, 6, 7, 8, 9}) {
    if (text[i] < u'0' || text[i] > u'9') return false;
  }
  return true;
}

int Compare(qint64 a, qint64 b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

int CompareDates(const QString& a, const QString& b) {
  // Year, then month, then day.
  for (auto [from, length] : {std::pair{6, 4}, std::pair{3, 2}, std::pair{0, 2}}) {
    int result = Compare(LeadingNumber(QStringView(a).mid(from, length)),
                         LeadingNumber(QStringView(b).mid(from, length)));
    if (result != 0) return result;
  }
  return 0;
}

// A row orders itself by the owning list's sort column; Qt sorts descending by asking b < a,
// which is exactly the comparison of b with a that a descending sort needs.
class ReportRow : public QTreeWidgetItem {
 public:
  using QTreeWidgetItem::QTreeWidgetItem;

  bool operator<(const QTreeWidgetItem& other) const override {
    int column = static_cast<const ReportList*>(treeWidget())->SortColumn();
    return ReportList::CompareCells(text(column), other.text(column)) < 0;
  }
};

}  // namespace

ReportList::ReportList(bool sortable, QWidget* parent) : QTreeWidget(parent), sortable_(sortable) {
  setColumnCount(0);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  header()->setStretchLastSection(false);
  header()->setSortIndicatorShown(false);
  header()->setSectionsClickable(sortable_);
  if (sortable_) {
    connect(header(), &QHeaderView::sectionClicked, this, &ReportList::OnHeaderClicked);
  }
}

bool ReportList::SetColumns(const QString& spec) {
  qsizetype position = 0;
  for (;;) {
    qsizetype comma = spec.indexOf(u',', position);
    if (comma < 0) return true;
    qsizetype end = spec.indexOf(u';', comma + 1);
    if (end < 0) end = spec.size();
    QString name = spec.mid(position, comma - position);
    int width = static_cast<int>(LeadingNumber(QStringView(spec).mid(comma + 1, end - comma - 1)));
    setColumnCount(columnCount_ + 1);
    headerItem()->setText(columnCount_, name);
    headerItem()->setTextAlignment(columnCount_, Qt::AlignLeft | Qt::AlignVCenter);
    header()->resizeSection(columnCount_, width);
    ++columnCount_;
    position = end + 1;
  }
}

int ReportList::AddRow(const QStringList& texts) {
  int row = RowCount();
  auto* item = new ReportRow(texts.mid(0, columnCount_));
  item->setData(0, kRowValueRole, 0u);
  addTopLevelItem(item);
  return row;
}

bool ReportList::SetRowValue(int row, std::uint32_t value) {
  QTreeWidgetItem* item = topLevelItem(row);
  if (item == nullptr) return false;
  item->setData(0, kRowValueRole, value);
  return true;
}

std::uint32_t ReportList::RowValue(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item == nullptr ? 0 : item->data(0, kRowValueRole).toUInt();
}

QString ReportList::CellText(int row, int column) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item == nullptr ? QString() : item->text(column);
}

bool ReportList::SetRowKey(int row, std::int64_t key) {
  QTreeWidgetItem* item = topLevelItem(row);
  if (item == nullptr) return false;
  item->setData(0, kRowKeyRole, static_cast<qlonglong>(key));
  return true;
}

bool ReportList::DeleteRow(int row) {
  QTreeWidgetItem* item = topLevelItem(row);
  delete item;
  return item != nullptr;
}

void ReportList::DeleteAllRows() {
  clear();
}

void ReportList::DeleteRowsWithKeys(const std::vector<std::int64_t>& keys) {
  for (int row = RowCount() - 1; row >= 0; --row) {
    if (std::find(keys.begin(), keys.end(), KeyOf(*topLevelItem(row))) != keys.end()) {
      DeleteRow(row);
    }
  }
}

void ReportList::SortByColumn(int column, bool ascending) {
  sortColumn_ = column;
  ascending_ = ascending;
  header()->setSortIndicatorShown(true);
  // Also sets the header's indicator.
  sortItems(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

int ReportList::RowCount() const {
  return topLevelItemCount();
}

std::vector<int> ReportList::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::vector<std::int64_t> ReportList::SelectedKeys() const {
  std::vector<std::int64_t> keys;
  for (const int row : SelectedRows()) keys.push_back(KeyOf(*topLevelItem(row)));
  return keys;
}

int ReportList::CompareCells(const QString& a, const QString& b) {
  if (IsDigitsOnly(a)) return Compare(LeadingNumber(a), LeadingNumber(b));
  if (IsDate(a)) return CompareDates(a, b);
  int result = QString::localeAwareCompare(a, b);
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

void ReportList::OnHeaderClicked(int column) {
  bool ascending = column != sortColumn_ || !ascending_;
  SortByColumn(column, ascending);
}

}  // namespace orlentis
