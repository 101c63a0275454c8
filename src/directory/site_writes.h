#pragma once

#include <soci/soci.h>

#include <cstdint>
#include <string>

#include "directory/site_directory.h"

namespace orlentis {

// The writes of a site's check-in and of one of its cameras on a session, each one unit of
// work, for the operations that put several of them in one transaction.
std::int32_t WriteSiteCheckIn(soci::session& session, const SiteAnnouncement& site,
                              const std::string& checkInAction, const std::string& logDetail);
void WriteSiteCamera(soci::session& session, std::int32_t siteId, bool startsNewSet,
                     const CameraAnnouncement& camera);

}  // namespace orlentis
