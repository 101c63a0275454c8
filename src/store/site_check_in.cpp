#include "store/site_check_in.h"

#include "store/bound_statement.h"

namespace orlentis {

// A site that is not there yet adds no row here: an insert, even of no row, would run the
// statement triggers that tell every server the directory changed.
std::optional<std::int32_t> CheckInKnownRecordSite(soci::session& session, const SiteRow& announced,
                                                   const LogEntryRow& entry,
                                                   const LogEntryFacts& facts) {
  std::int32_t siteId = 0;
  BoundStatement checkIn(
      session,
      "WITH edited AS (UPDATE Site SET strSiteName = :newName, nWebServerPort = :port, "
      "bOnline = :online, dCheckInTime = :time WHERE nID = (SELECT nID FROM Site WHERE "
      "strIP = :ip AND nInstanceID = -1 AND strSiteName = :name ORDER BY nID LIMIT 1) "
      "RETURNING nID), "
      "logged AS (INSERT INTO Log (time, strSource, strAction, strDetail) SELECT :logTime, "
      ":source, :action, :detail WHERE EXISTS (SELECT FROM edited)) "
      "SELECT nID FROM edited");
  checkIn.Into(siteId);
  checkIn.Use(announced.strSiteName).Use(announced.nWebServerPort).Use(announced.bOnline);
  checkIn.Use(announced.dCheckInTime).Use(announced.strIP).Use(announced.strSiteName);
  checkIn.Use(entry.time).Use(entry.source).Use(entry.action).Use(entry.detail);
  if (!checkIn.PastHeldCameraWrites().Execute()) return std::nullopt;
  HoldAuditRecordOf(entry, facts);
  return siteId;
}

}  // namespace orlentis
