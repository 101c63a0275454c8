#pragma once

#include <soci/soci.h>

#include <cstdint>
#include <string>

#include "store/keyset.h"

namespace orlentis {

// The camera permissions of one user on one site (table UserSite); key (nUserID, nSiteID).
struct UserSiteRow {
  std::int32_t nUserID = 0;
  std::int32_t nSiteID = 0;
  std::string strCameraAuthority;  // 64 characters '0'/'1'
  std::int64_t rowId = 0;
};

// The table UserSite.
class UserSiteTable : public Keyset<UserSiteRow> {
 public:
  explicit UserSiteTable(soci::session& session) : session_(session) {}

  void OpenByUserAndSite(std::int32_t userId, std::int32_t siteId);
  void OpenByUser(std::int32_t userId);
  void OpenBySite(std::int32_t siteId);

  // The rows of a deleted user or site, each in one statement.
  static void DeleteForUser(soci::session& session, std::int32_t userId);
  static void DeleteForSite(soci::session& session, std::int32_t siteId);

 protected:
  void Insert(UserSiteRow& row) override;
  void Write(const UserSiteRow& original, const UserSiteRow& changed) override;
  void Erase(const UserSiteRow& row) override;

 private:
  soci::session& session_;
};

}  // namespace orlentis
