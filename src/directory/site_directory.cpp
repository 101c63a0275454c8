#include "directory/site_directory.h"

#include <algorithm>

#include "base/clock.h"
#include "directory/site_writes.h"
#include "store/camera_slot_writes.h"
#include "store/camera_table.h"
#include "store/database_guard.h"
#include "store/engine_dialect.h"
#include "store/event_log.h"
#include "store/site_check_in.h"
#include "store/site_table.h"
#include "store/transaction.h"

namespace orlentis {
namespace {

void MarkOnline(SiteRow& row, const SiteAnnouncement& site, double now) {
  row.strSiteName = site.siteName;
  row.nWebServerPort = site.webServerPort;
  row.dCheckInTime = now;
  row.bOnline = 1;
}

// Edits the row the set stands on, or adds one when it is empty; returns the row's nID.
std::int32_t WriteAnnouncedSite(SiteTable& sites, const SiteAnnouncement& site,
                                std::int32_t instanceNumber) {
  const double now = NowOleDate();
  if (sites.IsEOF()) {
    SiteRow& row = sites.AddNew();
    row.strIP = site.peerAddress;
    row.nInstanceID = instanceNumber;
    MarkOnline(row, site, now);
  } else {
    MarkOnline(sites.Edit(), site, now);
  }
  sites.Update();
  return sites.Current().nID;
}

void Describe(CameraRow& row, const CameraAnnouncement& camera) {
  row.bExistence = camera.exists ? 1 : 0;
  row.nStateFlag = camera.stateFlag;
  row.strResolution = camera.resolution;
  row.strName = camera.name;
}

CameraRow SlotDescription(std::int32_t siteId, const CameraAnnouncement& camera) {
  CameraRow row;
  row.nSiteID = siteId;
  row.nIndex = camera.index;
  Describe(row, camera);
  return row;
}

bool MoveToSlot(CameraTable& slots, std::int32_t index) {
  for (slots.MoveFirst(); !slots.IsEOF(); slots.MoveNext()) {
    if (slots.Current().nIndex == index) return true;
  }
  return false;
}

bool SetOnline(SiteTable& sites, bool online) {
  if (sites.IsEOF()) return false;
  sites.Edit().bOnline = online ? 1 : 0;
  return sites.Update();
}

bool WriteSiteCheckOut(soci::session& session, const std::string& peerAddress,
                       const std::string& siteName, const std::string& checkOutAction,
                       const std::string& logDetail) {
  Transaction transaction(session);
  SiteTable sites(session);
  sites.OpenByAddressAndName(peerAddress, siteName);
  if (!SetOnline(sites, false)) return false;
  AppendLogEntryInOperation(session, siteName, checkOutAction, logDetail,
                            {"site.checkout", peerAddress});
  transaction.Commit();
  return true;
}

}  // namespace

bool WriteInstanceCheckIn(soci::session& session, const SiteAnnouncement& instance,
                          std::int32_t instanceNumber,
                          const std::vector<CameraAnnouncement>& cameras) {
  Transaction transaction(session);
  SiteTable sites(session);
  sites.OpenByAddressAndInstance(instance.peerAddress, instanceNumber);
  const std::int32_t siteId = WriteAnnouncedSite(sites, instance, instanceNumber);

  CameraTable slots(session);
  slots.OpenBySite(siteId);
  const auto announced = std::min<std::size_t>(cameras.size(), kCameraSlots);
  for (std::int32_t index = 0; index < kCameraSlots; ++index) {
    const bool hasRow = MoveToSlot(slots, index);
    if (static_cast<std::size_t>(index) < announced) {
      CameraRow& row = hasRow ? slots.Edit() : slots.AddNew();
      row.nSiteID = siteId;
      row.nIndex = index;
      Describe(row, cameras[static_cast<std::size_t>(index)]);
      slots.Update();
    } else if (hasRow) {
      slots.Edit().bExistence = 0;
      slots.Update();
    }
  }
  transaction.Commit();
  return true;
}

bool WriteInstanceCheckOut(soci::session& session, const std::string& peerAddress,
                           std::int32_t instanceNumber) {
  SiteTable sites(session);
  sites.OpenByAddressAndInstance(peerAddress, instanceNumber);
  return SetOnline(sites, false);
}

bool WriteInstanceCamera(soci::session& session, const std::string& peerAddress,
                         std::int32_t instanceNumber, const CameraAnnouncement& camera) {
  Transaction transaction(session);
  SiteTable sites(session);
  sites.OpenByAddressAndInstance(peerAddress, instanceNumber);
  if (!SetOnline(sites, true)) return false;
  CameraTable::DescribeSlot(session, SlotDescription(sites.Current().nID, camera));
  transaction.Commit();
  return true;
}

std::int32_t WriteSiteCheckIn(soci::session& session, const SiteAnnouncement& site,
                              const std::string& checkInAction, const std::string& logDetail) {
  Transaction transaction(session);
  const LogEntryFacts facts{"site.checkin", site.peerAddress};
  if (SessionEngine(session) == DatabaseEngine::kPostgres) {
    SiteRow announced;
    announced.strIP = site.peerAddress;
    MarkOnline(announced, site, NowOleDate());
    const auto siteId = CheckInKnownRecordSite(
        session, announced, NewLogEntryRow(site.siteName, checkInAction, logDetail), facts);
    if (siteId) {
      transaction.Commit();
      return *siteId;
    }
  }
  SiteTable sites(session);
  sites.OpenByAddressAndName(site.peerAddress, site.siteName);
  const std::int32_t siteId = WriteAnnouncedSite(sites, site, kRecordProtocolInstance);
  AppendLogEntryWithoutTrim(session, site.siteName, checkInAction, logDetail, facts);
  transaction.Commit();
  return siteId;
}

void WriteSiteCamera(soci::session& session, std::int32_t siteId, bool startsNewSet,
                     const CameraAnnouncement& camera) {
  Transaction transaction(session);
  WriteCameraSlot(session, startsNewSet && siteId != -1, SlotDescription(siteId, camera));
  transaction.Commit();
}

DbResult<std::int32_t> CheckInSite(const SiteAnnouncement& site, const std::string& checkInAction,
                                   const std::string& logDetail) {
  return RunGuardedFor([&](soci::session& session) {
    return WriteSiteCheckIn(session, site, checkInAction, logDetail);
  });
}

DbResult<bool> CheckOutSite(const std::string& peerAddress, const std::string& siteName,
                            const std::string& checkOutAction, const std::string& logDetail) {
  return RunGuardedFor([&](soci::session& session) {
    return WriteSiteCheckOut(session, peerAddress, siteName, checkOutAction, logDetail);
  });
}

DbOutcome StoreSiteCamera(std::int32_t siteId, bool startsNewSet,
                          const CameraAnnouncement& camera) {
  return RunGuarded(
      [&](soci::session& session) { WriteSiteCamera(session, siteId, startsNewSet, camera); });
}

DbResult<bool> CheckInInstance(const SiteAnnouncement& instance, std::int32_t instanceNumber,
                               const std::vector<CameraAnnouncement>& cameras) {
  return RunGuardedFor([&](soci::session& session) {
    return WriteInstanceCheckIn(session, instance, instanceNumber, cameras);
  });
}

DbResult<bool> CheckOutInstance(const std::string& peerAddress, std::int32_t instanceNumber) {
  return RunGuardedFor([&](soci::session& session) {
    return WriteInstanceCheckOut(session, peerAddress, instanceNumber);
  });
}

DbResult<bool> UpdateInstanceCamera(const std::string& peerAddress, std::int32_t instanceNumber,
                                    const CameraAnnouncement& camera) {
  return RunGuardedFor([&](soci::session& session) {
    return WriteInstanceCamera(session, peerAddress, instanceNumber, camera);
  });
}

}  // namespace orlentis
