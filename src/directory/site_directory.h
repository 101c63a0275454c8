#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/db_outcome.h"

namespace orlentis {

// What the recorders announce, written into the Site and Camera tables. Each function is one
// guarded database operation on the calling thread's session and takes texts already in
// UTF-8; the peer address is always the connection's own.

struct SiteAnnouncement {
  std::string peerAddress;
  std::string siteName;
  std::int32_t webServerPort = 0;
};

// A site of the record protocol checks in (or updates): its row is edited or added and
// marked on line, and the "Site checkin" entry is written without trimming the log, all in
// one transaction. Gives back the row's nID.
DbResult<std::int32_t> CheckInSite(const SiteAnnouncement& site, const std::string& checkInAction,
                                   const std::string& logDetail);

// Marks the site's row off line and writes the check-out entry (source the site's name),
// trimming the log, in one transaction; gives back false, and writes nothing, when the site
// has no row.
DbResult<bool> CheckOutSite(const std::string& peerAddress, const std::string& siteName,
                            const std::string& checkOutAction, const std::string& logDetail);

struct CameraAnnouncement {
  std::int32_t index = 0;
  bool exists = true;
  std::int32_t stateFlag = 0;
  std::string resolution;
  std::string name;
};

// One camera of a checked-in site: its slot is edited or added. With startsNewSet every
// camera of the site is marked absent first (the site is sending its whole set again); a
// failure rolls that back too.
DbOutcome StoreSiteCamera(std::int32_t siteId, bool startsNewSet, const CameraAnnouncement& camera);

inline constexpr std::int32_t kCameraSlots = 64;

// A host instance checks in with all its cameras: its row is edited or added and marked on
// line; slots 0 to 63 take the announced cameras in order, and slots beyond the announced
// ones that have a row are marked absent. Gives back whether the instance's row was written.
DbResult<bool> CheckInInstance(const SiteAnnouncement& instance, std::int32_t instanceNumber,
                               const std::vector<CameraAnnouncement>& cameras);

// Gives back false when the instance has no row.
DbResult<bool> CheckOutInstance(const std::string& peerAddress, std::int32_t instanceNumber);

// One camera of an instance changes (its index field names the slot). The instance is
// marked on line; a camera slot without a row is not created. Gives back false when the
// instance has no row.
DbResult<bool> UpdateInstanceCamera(const std::string& peerAddress, std::int32_t instanceNumber,
                                    const CameraAnnouncement& camera);

}  // namespace orlentis
