#include "store/user_site_table.h"

#include "store/engine_dialect.h"
#include "store/keyless_rows.h"

namespace orlentis {
namespace {

const std::string kSelectUserSites =
    std::string("SELECT nUserID, nSiteID, strCameraAuthority, ") + kRowIdColumn + " FROM UserSite ";

template <class Bind>
std::vector<UserSiteRow> ReadUserSites(soci::session& session, const std::string& tail, Bind bind) {
  return ReadKeylessRows<UserSiteRow>(
      session, kSelectUserSites + tail,
      [](BoundStatement& query, UserSiteRow& row) {
        query.Into(row.nUserID).Into(row.nSiteID).Into(row.strCameraAuthority);
      },
      bind);
}

}  // namespace

void UserSiteTable::OpenByUserAndSite(std::int32_t userId, std::int32_t siteId) {
  Load([this, userId, siteId] {
    return ReadUserSites(session_, "WHERE nUserID = :usr AND nSiteID = :site",
                         [&](BoundStatement& q) { q.Use(userId).Use(siteId); });
  });
}

void UserSiteTable::OpenByUser(std::int32_t userId) {
  Load([this, userId] {
    return ReadUserSites(session_, "WHERE nUserID = :usr",
                         [&](BoundStatement& q) { q.Use(userId); });
  });
}

void UserSiteTable::OpenBySite(std::int32_t siteId) {
  Load([this, siteId] {
    return ReadUserSites(session_, "WHERE nSiteID = :site",
                         [&](BoundStatement& q) { q.Use(siteId); });
  });
}

void UserSiteTable::DeleteForUser(soci::session& session, std::int32_t userId) {
  BoundStatement(session, "DELETE FROM UserSite WHERE nUserID = :usr").Use(userId).Execute();
}

void UserSiteTable::DeleteForSite(soci::session& session, std::int32_t siteId) {
  BoundStatement(session, "DELETE FROM UserSite WHERE nSiteID = :site").Use(siteId).Execute();
}

void UserSiteTable::Insert(UserSiteRow& row) {
  BoundStatement(session_,
                 "INSERT INTO UserSite (nUserID, nSiteID, strCameraAuthority) VALUES (:usr, :site, "
                 ":cameras)")
      .Use(row.nUserID)
      .Use(row.nSiteID)
      .Use(row.strCameraAuthority)
      .Execute();
  row.rowId = LastInsertId(session_);
}

void UserSiteTable::Write(const UserSiteRow& original, const UserSiteRow& changed) {
  const long long rowId = original.rowId;
  BoundStatement(session_,
                 "UPDATE UserSite SET nUserID = :usr, nSiteID = :site, "
                 "strCameraAuthority = :cameras" +
                     RowIdCondition())
      .Use(changed.nUserID)
      .Use(changed.nSiteID)
      .Use(changed.strCameraAuthority)
      .Use(rowId)
      .Execute();
}

void UserSiteTable::Erase(const UserSiteRow& row) {
  EraseKeylessRow(session_, "UserSite", row.rowId);
}

}  // namespace orlentis
