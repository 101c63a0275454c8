#pragma once

#include <soci/soci.h>

#include <cstdint>
#include <string>
#include <vector>

#include "directory/site_directory.h"

namespace orlentis {

// The writes of a site's check-in and of one of its cameras, and of a host instance's check-in,
// check-out and camera update, on a session, each one unit of work, for the operations that
// put several of them in one transaction.
std::int32_t WriteSiteCheckIn(soci::session& session, const SiteAnnouncement& site,
                              const std::string& checkInAction, const std::string& logDetail);
void WriteSiteCamera(soci::session& session, std::int32_t siteId, bool startsNewSet,
                     const CameraAnnouncement& camera);
// The same for a host's instances; each gives back whether the instance's row was there.
bool WriteInstanceCheckIn(soci::session& session, const SiteAnnouncement& instance,
                          std::int32_t instanceNumber,
                          const std::vector<CameraAnnouncement>& cameras);
bool WriteInstanceCheckOut(soci::session& session, const std::string& peerAddress,
                           std::int32_t instanceNumber);
bool WriteInstanceCamera(soci::session& session, const std::string& peerAddress,
                         std::int32_t instanceNumber, const CameraAnnouncement& camera);

}  // namespace orlentis
