#include "store/site_table.h"

#include "store/bound_statement.h"
#include "store/engine_dialect.h"

namespace orlentis {
namespace {

constexpr const char* kSelectSites =
    "SELECT nID, strIP, strSiteName, nInstanceID, nWebServerPort, bOnline, dCheckInTime "
    "FROM Site ";
constexpr const char* kSiteOrder = " ORDER BY strIP, nInstanceID, strSiteName, nID";

// Runs kSelectSites + tail with the parameters bind adds.
template <class Bind>
std::vector<SiteRow> ReadSites(soci::session& session, std::string tail, Bind bind) {
  std::vector<SiteRow> rows;
  SiteRow row;
  BoundStatement query(session, kSelectSites + std::move(tail));
  query.Into(row.nID).Into(row.strIP).Into(row.strSiteName).Into(row.nInstanceID);
  query.Into(row.nWebServerPort).Into(row.bOnline).Into(row.dCheckInTime);
  bind(query);
  while (query.Fetch()) rows.push_back(row);
  return rows;
}

}  // namespace

void SiteTable::OpenByAddressAndInstance(const std::string& ip, std::int32_t instance) {
  Load([this, ip, instance] {
    return ReadSites(session_, "WHERE strIP = :ip AND nInstanceID = :instance ORDER BY nID",
                     [&](BoundStatement& q) { q.Use(ip).Use(instance); });
  });
}

void SiteTable::OpenByAddressAndName(const std::string& ip, const std::string& siteName) {
  Load([this, ip, siteName] {
    return ReadSites(session_,
                     "WHERE strIP = :ip AND nInstanceID = -1 AND strSiteName = :name ORDER BY nID",
                     [&](BoundStatement& q) { q.Use(ip).Use(siteName); });
  });
}

void SiteTable::OpenOnline() {
  Load([this] {
    return ReadSites(session_, std::string("WHERE bOnline <> 0") + kSiteOrder,
                     [](BoundStatement&) {});
  });
}

void SiteTable::OpenById(std::int32_t id) {
  Load([this, id] {
    return ReadSites(session_, "WHERE nID = :id", [&](BoundStatement& q) { q.Use(id); });
  });
}

void SiteTable::OpenAll() {
  Load([this] { return ReadSites(session_, kSiteOrder, [](BoundStatement&) {}); });
}

void SiteTable::MarkStaleOffline(soci::session& session, double staleBefore) {
  BoundStatement(session,
                 "UPDATE Site SET bOnline = 0 WHERE bOnline <> 0 AND dCheckInTime < :staleBefore")
      .Use(staleBefore)
      .Execute();
}

void SiteTable::Insert(SiteRow& row) {
  BoundStatement(session_,
                 "INSERT INTO Site (strIP, strSiteName, nInstanceID, nWebServerPort, bOnline, "
                 "dCheckInTime) VALUES (:ip, :name, :instance, :port, :online, :time)")
      .Use(row.strIP)
      .Use(row.strSiteName)
      .Use(row.nInstanceID)
      .Use(row.nWebServerPort)
      .Use(row.bOnline)
      .Use(row.dCheckInTime)
      .Execute();
  row.nID = static_cast<std::int32_t>(LastInsertId(session_));
}

void SiteTable::Write(const SiteRow& original, const SiteRow& changed) {
  BoundStatement(session_,
                 "UPDATE Site SET strIP = :ip, strSiteName = :name, nInstanceID = :instance, "
                 "nWebServerPort = :port, bOnline = :online, dCheckInTime = :time WHERE nID = :id")
      .Use(changed.strIP)
      .Use(changed.strSiteName)
      .Use(changed.nInstanceID)
      .Use(changed.nWebServerPort)
      .Use(changed.bOnline)
      .Use(changed.dCheckInTime)
      .Use(original.nID)
      .Execute();
}

void SiteTable::Erase(const SiteRow& row) {
  BoundStatement(session_, "DELETE FROM Site WHERE nID = :id").Use(row.nID).Execute();
}

}  // namespace orlentis
