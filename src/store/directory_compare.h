#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "store/database_target.h"

namespace orlentis {

// One row in which two directories differ.
struct RowDifference {
  enum class Kind { kOnlyInFirst, kOnlyInSecond, kCellsDiffer };
  std::string table;
  long long key = 0;  // the key or row id (directory_tables.h)
  Kind kind = Kind::kCellsDiffer;
  std::vector<std::string> columns;  // with kCellsDiffer: the columns that differ
};

struct TableRowCounts {
  std::string table;
  std::int64_t first = 0;
  std::int64_t second = 0;
};

struct DirectoryComparison {
  std::vector<TableRowCounts> counts;      // per table, in the order they were compared
  std::vector<RowDifference> differences;  // the first ones, up to the number asked for
  std::int64_t differenceCount = 0;        // all of them

  bool Identical() const { return differenceCount == 0; }
};

// Compares the seven tables of two directories row by row: each side is read as one snapshot
// in key order and both are walked together, so neither has to fit in memory. Texts are equal
// when their bytes are, numbers when their values are exactly, and NULL equals only NULL.
// Throws the engine's error when either side cannot be read.
DirectoryComparison CompareDirectories(const DatabaseTarget& first, const DatabaseTarget& second,
                                       std::size_t differencesKept = 100);

}  // namespace orlentis
