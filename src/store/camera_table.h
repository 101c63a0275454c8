#pragma once

#include <soci/soci.h>

#include <cstdint>
#include <string>

#include "store/keyset.h"

namespace orlentis {

// One camera slot of a site (table Camera); key (nSiteID, nIndex).
struct CameraRow {
  std::int32_t nSiteID = 0;
  std::int32_t nIndex = 0;  // 0 to 63
  std::int32_t bExistence = 0;
  std::int32_t nStateFlag = 0;
  std::string strResolution;  // "%dx%d"
  std::string strName;
  std::int64_t rowId = 0;
};

// The table Camera.
class CameraTable : public Keyset<CameraRow> {
 public:
  explicit CameraTable(soci::session& session) : session_(session) {}

  void OpenSlot(std::int32_t siteId, std::int32_t index);
  // Every camera of a site, by index.
  void OpenBySite(std::int32_t siteId);
  // The cameras the site currently reports, by index.
  void OpenPresentBySite(std::int32_t siteId);

  // Marks every camera of a site absent in one statement (the rows stay).
  static void MarkAllAbsent(soci::session& session, std::int32_t siteId);
  // Gives the first row of the slot of described (its site and index; the one added first,
  // should there be more) the description of described, in one statement. False when the slot
  // has no row.
  static bool DescribeSlot(soci::session& session, const CameraRow& described);

 protected:
  void Insert(CameraRow& row) override;
  void Write(const CameraRow& original, const CameraRow& changed) override;
  void Erase(const CameraRow& row) override;

 private:
  soci::session& session_;
};

}  // namespace orlentis
