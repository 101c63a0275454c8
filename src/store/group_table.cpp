#include "store/group_table.h"

#include "store/bound_statement.h"
#include "store/engine_dialect.h"

namespace orlentis {
namespace {

constexpr const char* kSelectGroups = "SELECT nID, strName, nLevel, bsAuthority FROM \"Group\" ";

template <class Bind>
std::vector<GroupRow> ReadGroups(soci::session& session, const std::string& tail, Bind bind) {
  std::vector<GroupRow> rows;
  GroupRow row;
  BoundStatement query(session, kSelectGroups + tail);
  query.Into(row.nID).Into(row.strName).Into(row.nLevel).Into(row.bsAuthority);
  bind(query);
  while (query.Fetch()) rows.push_back(row);
  return rows;
}

}  // namespace

void GroupTable::OpenById(std::int32_t id) {
  Load([this, id] {
    return ReadGroups(session_, "WHERE nID = :id", [&](BoundStatement& q) { q.Use(id); });
  });
}

void GroupTable::OpenByName(const std::string& name) {
  Load([this, name] {
    return ReadGroups(session_, "WHERE strName = :name ORDER BY nID",
                      [&](BoundStatement& q) { q.Use(name); });
  });
}

void GroupTable::OpenByLevel() {
  Load([this] { return ReadGroups(session_, "ORDER BY nLevel, nID", [](BoundStatement&) {}); });
}

void GroupTable::Insert(GroupRow& row) {
  BoundStatement(session_,
                 "INSERT INTO \"Group\" (strName, nLevel, bsAuthority) VALUES (:name, :level, "
                 ":authority)")
      .Use(row.strName)
      .Use(row.nLevel)
      .Use(row.bsAuthority)
      .Execute();
  row.nID = static_cast<std::int32_t>(LastInsertId(session_));
}

void GroupTable::Write(const GroupRow& original, const GroupRow& changed) {
  BoundStatement(session_,
                 "UPDATE \"Group\" SET strName = :name, nLevel = :level, bsAuthority = :authority "
                 "WHERE nID = :id")
      .Use(changed.strName)
      .Use(changed.nLevel)
      .Use(changed.bsAuthority)
      .Use(original.nID)
      .Execute();
}

void GroupTable::Erase(const GroupRow& row) {
  BoundStatement(session_, "DELETE FROM \"Group\" WHERE nID = :id").Use(row.nID).Execute();
}

}  // namespace orlentis
