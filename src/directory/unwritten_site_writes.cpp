#include "directory/unwritten_site_writes.h"

#include <algorithm>
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

// A check-in stands for everything before it of its instance, and a check-out for the
// check-outs before it; a camera update stands for the earlier update of its camera only back
// to its instance's last check-in or check-out, which must stay between them.
void UnwrittenInstanceWrites::Add(Write write) {
  using Kind = Write::Kind;
  const auto superseded = [&](const Write& earlier) {
    if (earlier.instance != write.instance) return false;
    switch (write.kind) {
      case Kind::kCheckIn:
        return true;
      case Kind::kCheckOut:
        return earlier.kind == Kind::kCheckOut;
      case Kind::kCamera:
        break;
    }
    return earlier.kind == Kind::kCamera && earlier.camera.index == write.camera.index;
  };
  auto from = writes_.end();
  while (from != writes_.begin()) {
    const Write& earlier = *(from - 1);
    if (write.kind == Kind::kCamera && earlier.instance == write.instance &&
        earlier.kind != Kind::kCamera) {
      break;
    }
    --from;
  }
  writes_.erase(std::remove_if(from, writes_.end(), superseded), writes_.end());
  writes_.push_back(std::move(write));
}

void UnwrittenInstanceWrites::CheckIn(std::int32_t instance, const SiteAnnouncement& site,
                                      const std::vector<CameraAnnouncement>& cameras) {
  Add({Write::Kind::kCheckIn, instance, site, cameras, {}});
}

void UnwrittenInstanceWrites::CheckOut(std::int32_t instance) {
  Add({Write::Kind::kCheckOut, instance, {}, {}, {}});
}

void UnwrittenInstanceWrites::Camera(std::int32_t instance, const CameraAnnouncement& camera) {
  Add({Write::Kind::kCamera, instance, {}, {}, camera});
}

void UnwrittenInstanceWrites::Then(const UnwrittenInstanceWrites& later) {
  for (const Write& write : later.writes_) Add(write);
}

DbOutcome WriteUnwrittenInstanceWrites(const std::string& peerAddress,
                                       const UnwrittenInstanceWrites& writes) {
  return RunGuarded([&](soci::session& session) {
    Transaction transaction(session);
    for (const auto& write : writes.Writes()) {
      switch (write.kind) {
        case UnwrittenInstanceWrites::Write::Kind::kCheckIn:
          WriteInstanceCheckIn(session, write.site, write.instance, write.cameras);
          break;
        case UnwrittenInstanceWrites::Write::Kind::kCheckOut:
          WriteInstanceCheckOut(session, peerAddress, write.instance);
          break;
        case UnwrittenInstanceWrites::Write::Kind::kCamera:
          WriteInstanceCamera(session, peerAddress, write.instance, write.camera);
          break;
      }
    }
    transaction.Commit();
  });
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
