#include "store/mask_ip_table.h"

#include "store/engine_dialect.h"
#include "store/keyless_rows.h"

namespace orlentis {
namespace {

const std::string kSelectRanges = std::string("SELECT strDescription, strIPFrom, strIPTo, ") +
                                  kRowIdColumn + " FROM MaskIP ORDER BY " + kRowIdColumn;

}  // namespace

void MaskIpTable::OpenAll() {
  Load([this] {
    return ReadKeylessRows<MaskIPRow>(
        session_, kSelectRanges,
        [](BoundStatement& query, MaskIPRow& row) {
          query.Into(row.strDescription).Into(row.strIPFrom).Into(row.strIPTo);
        },
        [](BoundStatement&) {});
  });
}

std::size_t MaskIpTable::DeleteByRowIds(const std::vector<std::int64_t>& rowIds) {
  return EraseKeylessRows(session_, "MaskIP", rowIds);
}

void MaskIpTable::Insert(MaskIPRow& row) {
  BoundStatement(session_,
                 "INSERT INTO MaskIP (strDescription, strIPFrom, strIPTo) VALUES (:description, "
                 ":from, :to)")
      .Use(row.strDescription)
      .Use(row.strIPFrom)
      .Use(row.strIPTo)
      .Execute();
  row.rowId = LastInsertId(session_);
}

void MaskIpTable::Write(const MaskIPRow& original, const MaskIPRow& changed) {
  const long long rowId = original.rowId;
  BoundStatement(session_,
                 "UPDATE MaskIP SET strDescription = :description, strIPFrom = :from, "
                 "strIPTo = :to" +
                     RowIdCondition())
      .Use(changed.strDescription)
      .Use(changed.strIPFrom)
      .Use(changed.strIPTo)
      .Use(rowId)
      .Execute();
}

void MaskIpTable::Erase(const MaskIPRow& row) {
  EraseKeylessRow(session_, "MaskIP", row.rowId);
}

}  // namespace orlentis
