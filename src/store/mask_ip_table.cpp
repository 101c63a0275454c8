#include "store/mask_ip_table.h"

#include "store/keyless_rows.h"

namespace orlentis {
namespace {

const std::string kSelectRanges =
    std::string("SELECT strDescription, strIPFrom, strIPTo, ") + kRowIdColumn + " FROM MaskIP ";
const std::string kRangeOrder = std::string(" ORDER BY ") + kRowIdColumn;

template <class Bind>
std::vector<MaskIPRow> ReadRanges(soci::session& session, const std::string& tail, Bind bind) {
  return ReadKeylessRows<MaskIPRow>(
      session, kSelectRanges + tail,
      [](BoundStatement& query, MaskIPRow& row) {
        query.Into(row.strDescription).Into(row.strIPFrom).Into(row.strIPTo);
      },
      bind);
}

}  // namespace

void MaskIpTable::OpenAll() {
  Load([this] { return ReadRanges(session_, kRangeOrder, [](BoundStatement&) {}); });
}

void MaskIpTable::OpenByFirstAddress(const std::string& ipFrom) {
  Load([this, ipFrom] {
    return ReadRanges(session_, "WHERE strIPFrom = :ip" + kRangeOrder,
                      [&](BoundStatement& q) { q.Use(ipFrom); });
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
