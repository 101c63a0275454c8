#pragma once

#include <soci/soci.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "store/bound_statement.h"
#include "store/engine.h"

namespace orlentis {

// Tables without a key (Camera, UserSite, MaskIP, Log) identify a loaded row by the engine's
// row id, which every query of theirs selects as its last column.

// " WHERE <row id> = :row", for updating or deleting one loaded row.
inline std::string RowIdCondition() {
  return std::string(" WHERE ") + kRowIdColumn + " = :row";
}

// Runs sql; intoColumns binds the row's own columns, bindValues the statement's parameters,
// and the row id is fetched last into row.rowId.
template <class Row, class IntoColumns, class BindValues>
std::vector<Row> ReadKeylessRows(soci::session& session, const std::string& sql,
                                 IntoColumns intoColumns, BindValues bindValues) {
  std::vector<Row> rows;
  Row row;
  long long rowId = 0;
  BoundStatement query(session, sql);
  intoColumns(query, row);
  query.Into(rowId);
  bindValues(query);
  while (query.Fetch()) {
    row.rowId = rowId;
    rows.push_back(row);
  }
  return rows;
}

inline void EraseKeylessRow(soci::session& session, const char* table, long long rowId) {
  BoundStatement(session, std::string("DELETE FROM ") + table + RowIdCondition())
      .Use(rowId)
      .Execute();
}

// Deletes the rows of table with these row ids as one unit. The ids are what a list showed
// earlier, so a row deleted meanwhile by someone else is simply not counted; gives back how
// many rows this deletion removed.
std::size_t EraseKeylessRows(soci::session& session, const char* table,
                             const std::vector<std::int64_t>& rowIds);

}  // namespace orlentis
