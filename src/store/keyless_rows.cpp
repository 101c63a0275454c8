#include "store/keyless_rows.h"

#include "store/transaction.h"

namespace orlentis {

std::size_t EraseKeylessRows(soci::session& session, const char* table,
                             const std::vector<std::int64_t>& rowIds) {
  const std::string sql = std::string("DELETE FROM ") + table + RowIdCondition();
  Transaction transaction(session);
  std::size_t erased = 0;
  for (const std::int64_t id : rowIds) {
    const long long rowId = id;
    BoundStatement statement(session, sql);
    statement.Use(rowId).Execute();
    if (statement.AffectedRows() > 0) ++erased;
  }
  transaction.Commit();
  return erased;
}

}  // namespace orlentis
