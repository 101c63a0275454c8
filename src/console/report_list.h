#pragma once

#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <cstdint>
#include <vector>

namespace orlentis {

// The console's table: columns from a column spec ("Name,100;Other,80;"), rows that keep
// their own texts, one user value and a key, and, when built sortable, sorting by a click on a
// column header. Rows are addressed by their current display index, which a sort changes, or
// by their key, which names the directory's row behind them wherever they stand.
class ReportList : public QTreeWidget {
  Q_OBJECT

 public:
  explicit ReportList(bool sortable, QWidget* parent = nullptr);

  // Appends the columns of spec, left-aligned, in spec order. An entry without a comma ends
  // the parsing; whatever follows it is not created.
  bool SetColumns(const QString& spec);
  // Appends a row holding the first ColumnCount() texts; gives back its index.
  int AddRow(const QStringList& texts);
  bool SetRowValue(int row, std::uint32_t value);
  std::uint32_t RowValue(int row) const;
  QString CellText(int row, int column) const;
  bool SetRowKey(int row, std::int64_t key);
  bool DeleteRow(int row);
  void DeleteAllRows();
  // Deletes every row whose key is one of keys.
  void DeleteRowsWithKeys(const std::vector<std::int64_t>& keys);

  // Stores column and direction, shows the header's arrow and sorts the rows.
  void SortByColumn(int column, bool ascending);

  int RowCount() const;
  int ColumnCount() const { return columnCount_; }
  int SortColumn() const { return sortColumn_; }  // -1: none
  bool SortAscending() const { return ascending_; }
  std::vector<int> SelectedRows() const;  // ascending row indexes
  std::vector<std::int64_t> SelectedKeys() const;

  // The sort's comparison of a against b: <0, 0 or >0. The kind of comparison is chosen by
  // a alone: digits only (or empty) compare as numbers, dd/dd/dddd as a day/month/year
  // date, anything else as locale-aware, case-sensitive text; b is read the same way.
  static int CompareCells(const QString& a, const QString& b);

 private:
  void OnHeaderClicked(int column);

  const bool sortable_;
  int columnCount_ = 0;
  int sortColumn_ = -1;
  bool ascending_ = true;
};

}  // namespace orlentis
