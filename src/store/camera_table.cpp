#include "store/camera_table.h"

#include "store/engine_dialect.h"
#include "store/keyless_rows.h"

namespace orlentis {
namespace {

const std::string kSelectCameras =
    std::string("SELECT nSiteID, nIndex, bExistence, nStateFlag, strResolution, strName, ") +
    kRowIdColumn + " FROM Camera ";

template <class Bind>
std::vector<CameraRow> ReadCameras(soci::session& session, const std::string& tail, Bind bind) {
  return ReadKeylessRows<CameraRow>(
      session, kSelectCameras + tail,
      [](BoundStatement& query, CameraRow& row) {
        query.Into(row.nSiteID).Into(row.nIndex).Into(row.bExistence).Into(row.nStateFlag);
        query.Into(row.strResolution).Into(row.strName);
      },
      bind);
}

}  // namespace

void CameraTable::OpenSlot(std::int32_t siteId, std::int32_t index) {
  Load([this, siteId, index] {
    return ReadCameras(session_, "WHERE nSiteID = :site AND nIndex = :camera",
                       [&](BoundStatement& q) { q.Use(siteId).Use(index); });
  });
}

void CameraTable::OpenBySite(std::int32_t siteId) {
  Load([this, siteId] {
    return ReadCameras(session_, "WHERE nSiteID = :site ORDER BY nIndex",
                       [&](BoundStatement& q) { q.Use(siteId); });
  });
}

void CameraTable::OpenPresentBySite(std::int32_t siteId) {
  Load([this, siteId] {
    return ReadCameras(session_, "WHERE nSiteID = :site AND bExistence <> 0 ORDER BY nIndex",
                       [&](BoundStatement& q) { q.Use(siteId); });
  });
}

void CameraTable::MarkAllAbsent(soci::session& session, std::int32_t siteId) {
  BoundStatement(session, "UPDATE Camera SET bExistence = 0 WHERE nSiteID = :site")
      .Use(siteId)
      .Execute();
}

bool CameraTable::DescribeSlot(soci::session& session, const CameraRow& described) {
  BoundStatement update(session,
                        std::string("UPDATE Camera SET bExistence = :exists, nStateFlag = :state, "
                                    "strResolution = :resolution, strName = :name WHERE ") +
                            kRowIdColumn + " = (SELECT " + kRowIdColumn +
                            " FROM Camera WHERE nSiteID = :site AND nIndex = :camera ORDER BY " +
                            kRowIdColumn + " LIMIT 1)");
  update.Use(described.bExistence).Use(described.nStateFlag).Use(described.strResolution);
  update.Use(described.strName).Use(described.nSiteID).Use(described.nIndex);
  update.Execute();
  return update.AffectedRows() > 0;
}

void CameraTable::Insert(CameraRow& row) {
  BoundStatement(session_,
                 "INSERT INTO Camera (nSiteID, nIndex, bExistence, nStateFlag, strResolution, "
                 "strName) VALUES (:site, :camera, :exists, :state, :resolution, :name)")
      .Use(row.nSiteID)
      .Use(row.nIndex)
      .Use(row.bExistence)
      .Use(row.nStateFlag)
      .Use(row.strResolution)
      .Use(row.strName)
      .Execute();
  row.rowId = LastInsertId(session_);
}

void CameraTable::Write(const CameraRow& original, const CameraRow& changed) {
  const long long rowId = original.rowId;
  BoundStatement(session_,
                 "UPDATE Camera SET nSiteID = :site, nIndex = :camera, bExistence = :exists, "
                 "nStateFlag = :state, strResolution = :resolution, strName = :name" +
                     RowIdCondition())
      .Use(changed.nSiteID)
      .Use(changed.nIndex)
      .Use(changed.bExistence)
      .Use(changed.nStateFlag)
      .Use(changed.strResolution)
      .Use(changed.strName)
      .Use(rowId)
      .Execute();
}

void CameraTable::Erase(const CameraRow& row) {
  EraseKeylessRow(session_, "Camera", row.rowId);
}

}  // namespace orlentis
