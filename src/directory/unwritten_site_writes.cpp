#include "directory/unwritten_site_writes.h"

#include <utility>

#include "directory/site_writes.h"
#include "store/database_guard.h"
#include "store/transaction.h"

namespace orlentis {

void UnwrittenSiteWrites::StartNewSet() {
  for (auto& [index, camera] : cameras_) camera.exists = false;
  startsNewSet_ = true;
}

void UnwrittenSiteWrites::Camera(bool startsNewSet, const CameraAnnouncement& camera) {
  if (startsNewSet) StartNewSet();
  cameras_[camera.index] = camera;
}

void UnwrittenSiteWrites::Then(const UnwrittenSiteWrites& later) {
  if (later.checksIn_) checksIn_ = true;
  if (later.startsNewSet_) StartNewSet();
  for (const auto& [index, camera] : later.cameras_) cameras_[index] = camera;
}

DbResult<std::int32_t> WriteUnwrittenSiteWrites(const SiteAnnouncement& site,
                                                const std::string& checkInAction,
                                                const std::string& logDetail, std::int32_t siteId,
                                                const UnwrittenSiteWrites& writes) {
  return RunGuardedFor([&](soci::session& session) {
    Transaction transaction(session);
    const std::int32_t row =
        writes.ChecksIn() ? WriteSiteCheckIn(session, site, checkInAction, logDetail) : siteId;
    bool startsNewSet = writes.StartsNewSet();
    for (const auto& [index, camera] : writes.Cameras()) {
      WriteSiteCamera(session, row, std::exchange(startsNewSet, false), camera);
    }
    transaction.Commit();
    return row;
  });
}

}  // namespace orlentis
