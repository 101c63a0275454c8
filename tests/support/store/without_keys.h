#pragma once

#include <vector>

namespace orlentis::testing {

// Listed rows with their keys cleared, to compare with rows a test writes out by their texts;
// the keys are the database's to give.
template <class Row>
std::vector<Row> WithoutKeys(std::vector<Row> rows) {
  for (Row& row : rows) row.key = 0;
  return rows;
}

}  // namespace orlentis::testing
