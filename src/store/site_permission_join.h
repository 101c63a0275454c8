#pragma once

#include <soci/soci.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store/site_table.h"

namespace orlentis {

// A Site row with one user's UserSite row for it, if there is one: the three UserSite columns
// are null for a site without a row for that user.
struct SitePermissionRow {
  std::int32_t nID = 0;
  std::string strIP;
  std::string strSiteName;
  std::int32_t nInstanceID = 0;
  std::int32_t nWebServerPort = 0;
  std::int32_t bOnline = 0;
  double dCheckInTime = 0.0;
  std::optional<std::int32_t> nUserID;
  std::optional<std::int32_t> nSiteID;
  std::optional<std::string> strCameraAuthority;

  bool IsCameraAuthorityNull() const { return !strCameraAuthority.has_value(); }
};

// Site left-joined with one user's UserSite rows. Read only.
class SitePermissionJoin {
 public:
  explicit SitePermissionJoin(soci::session& session) : session_(session) {}

  // Every site, by address, instance and name (the permission tree of one user; user -1 has
  // no permission rows).
  void OpenForUser(std::int32_t userId);
  // The lowest-id record-protocol site at ip (a login forwarded by a site takes the first
  // row).
  void OpenFirstForUserAtSite(std::int32_t userId, const std::string& ip);
  // The instances at ip (instance >= 0) where the user has a camera-authority text, by
  // instance number (a login relayed by a host).
  void OpenPermittedForUserAtHost(std::int32_t userId, const std::string& ip);

  bool IsEOF() const { return rows_.empty(); }
  std::size_t Count() const { return rows_.size(); }
  const std::vector<SitePermissionRow>& Rows() const { return rows_; }
  // The first row.
  const SitePermissionRow& Current() const;

 private:
  void Open(std::int32_t userId, std::optional<std::string> ip, const std::string& sql);

  soci::session& session_;
  std::vector<SitePermissionRow> rows_;
};

}  // namespace orlentis
