#include "store/directory_compare.h"

#include "store/directory_rows.h"
#include "store/transaction.h"

namespace orlentis {
namespace {

class DifferenceList {
 public:
  DifferenceList(DirectoryComparison& comparison, std::size_t kept)
      : comparison_(comparison), kept_(kept) {}

  void Add(RowDifference difference) {
    if (comparison_.differences.size() < kept_) {
      comparison_.differences.push_back(std::move(difference));
    }
    ++comparison_.differenceCount;
  }

 private:
  DirectoryComparison& comparison_;
  std::size_t kept_;
};

std::vector<std::string> DifferingColumns(const DirectoryTable& table, const DirectoryRow& first,
                                          const DirectoryRow& second) {
  std::vector<std::string> columns;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    if (!(first.cells[i] == second.cells[i])) columns.push_back(table.columns[i].name);
  }
  return columns;
}

// Walks the two sides of one table in key order together: a key that one side lacks is a row
// missing there.
void CompareTable(soci::session& first, soci::session& second, const DirectoryTable& table,
                  DifferenceList& differences) {
  DirectoryRowReader firstRows(first, table);
  DirectoryRowReader secondRows(second, table);
  const DirectoryRow* a = firstRows.Next();
  const DirectoryRow* b = secondRows.Next();
  using Kind = RowDifference::Kind;
  while (a != nullptr || b != nullptr) {
    if (b == nullptr || (a != nullptr && a->key < b->key)) {
      differences.Add({table.name, a->key, Kind::kOnlyInFirst, {}});
      a = firstRows.Next();
    } else if (a == nullptr || b->key < a->key) {
      differences.Add({table.name, b->key, Kind::kOnlyInSecond, {}});
      b = secondRows.Next();
    } else {
      if (auto columns = DifferingColumns(table, *a, *b); !columns.empty()) {
        differences.Add({table.name, a->key, Kind::kCellsDiffer, std::move(columns)});
      }
      a = firstRows.Next();
      b = secondRows.Next();
    }
  }
}

}  // namespace

DirectoryComparison CompareDirectories(const DatabaseTarget& first, const DatabaseTarget& second,
                                       std::size_t differencesKept) {
  const auto firstSession = OpenDirectoryReader(first);
  const auto secondSession = OpenDirectoryReader(second);
  const ReadSnapshot firstSnapshot(*firstSession);
  const ReadSnapshot secondSnapshot(*secondSession);
  DirectoryComparison comparison;
  DifferenceList differences(comparison, differencesKept);
  for (const DirectoryTable& table : DirectoryTables()) {
    comparison.counts.push_back({table.name, CountDirectoryRows(*firstSession, table),
                                 CountDirectoryRows(*secondSession, table)});
    CompareTable(*firstSession, *secondSession, table, differences);
  }
  return comparison;
}

}  // namespace orlentis
