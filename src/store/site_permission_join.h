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

  bool IsOpen() const { return open_; }
  void Close();
  // Runs the last query again; the cursor goes back to the first row.
  void Requery();
  bool IsBOF() const { return rows_.empty() || position_ < 0; }
  bool IsEOF() const { return rows_.empty() || position_ >= Size(); }
  void MoveFirst() { position_ = 0; }
  void MoveLast() { position_ = Size() - 1; }
  void MoveNext();
  void MovePrev();
  std::size_t Count() const { return rows_.size(); }
  const std::vector<SitePermissionRow>& Rows() const { return rows_; }
  const SitePermissionRow& Current() const;

 private:
  std::ptrdiff_t Size() const { return static_cast<std::ptrdiff_t>(rows_.size()); }
  void Open(std::int32_t userId, std::optional<std::string> ip, std::string sql);
  void Load();

  soci::session& session_;
  std::int32_t userId_ = 0;
  std::optional<std::string> ip_;
  std::string sql_;
  std::vector<SitePermissionRow> rows_;
  std::ptrdiff_t position_ = 0;
  bool open_ = false;
};

}  // namespace orlentis
