#include "store/user_table.h"

#include "store/bound_statement.h"
#include "store/engine_dialect.h"

namespace orlentis {
namespace {

constexpr const char* kSelectUsers =
    "SELECT nID, nGroupID, strName, strDescription, strPassword, bsAuthority FROM \"User\" ";

template <class Bind>
std::vector<UserRow> ReadUsers(soci::session& session, const std::string& tail, Bind bind) {
  std::vector<UserRow> rows;
  UserRow row;
  BoundStatement query(session, kSelectUsers + tail);
  query.Into(row.nID).Into(row.nGroupID).Into(row.strName).Into(row.strDescription);
  query.Into(row.strPassword).Into(row.bsAuthority);
  bind(query);
  while (query.Fetch()) rows.push_back(row);
  return rows;
}

}  // namespace

void UserTable::OpenByName(const std::string& name) {
  Load([this, name] {
    return ReadUsers(session_, "WHERE strName = :name ORDER BY nID",
                     [&](BoundStatement& q) { q.Use(name); });
  });
}

void UserTable::OpenByNameAndPassword(const std::string& name, const std::string& passwordDigest) {
  Load([this, name, passwordDigest] {
    return ReadUsers(session_, "WHERE strName = :name AND strPassword = :password ORDER BY nID",
                     [&](BoundStatement& q) { q.Use(name).Use(passwordDigest); });
  });
}

void UserTable::OpenByGroup(std::int32_t groupId) {
  Load([this, groupId] {
    return ReadUsers(session_, "WHERE nGroupID = :grp ORDER BY nID",
                     [&](BoundStatement& q) { q.Use(groupId); });
  });
}

void UserTable::OpenAll() {
  Load([this] { return ReadUsers(session_, "ORDER BY nID", [](BoundStatement&) {}); });
}

void UserTable::Insert(UserRow& row) {
  BoundStatement(session_,
                 "INSERT INTO \"User\" (nGroupID, strName, strDescription, strPassword, "
                 "bsAuthority) VALUES (:grp, :name, :description, :password, :authority)")
      .Use(row.nGroupID)
      .Use(row.strName)
      .Use(row.strDescription)
      .Use(row.strPassword)
      .Use(row.bsAuthority)
      .Execute();
  row.nID = static_cast<std::int32_t>(LastInsertId(session_));
}

void UserTable::Write(const UserRow& original, const UserRow& changed) {
  BoundStatement(session_,
                 "UPDATE \"User\" SET nGroupID = :grp, strName = :name, "
                 "strDescription = :description, strPassword = :password, "
                 "bsAuthority = :authority WHERE nID = :id")
      .Use(changed.nGroupID)
      .Use(changed.strName)
      .Use(changed.strDescription)
      .Use(changed.strPassword)
      .Use(changed.bsAuthority)
      .Use(original.nID)
      .Execute();
}

void UserTable::Erase(const UserRow& row) {
  BoundStatement(session_, "DELETE FROM \"User\" WHERE nID = :id").Use(row.nID).Execute();
}

}  // namespace orlentis
