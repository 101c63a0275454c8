#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "directory/site_directory.h"

namespace orlentis {

// What a site's connection sent that is not in the database yet: a write that was skipped or
// failed while the database could not be used (the recorder was answered RSP_OK all the same,
// as the protocol has no other answer), and every write the connection sent after it, so that
// they reach the database in the order they came. Of each thing only the newest state is kept.
class UnwrittenSiteWrites {
 public:
  bool Empty() const { return !checksIn_ && !startsNewSet_ && cameras_.empty(); }

  // The site checked in, or updated its check-in.
  void CheckIn() { checksIn_ = true; }
  // A camera record; startsNewSet when a camera reset came before it, which leaves every
  // camera sent before absent.
  void Camera(bool startsNewSet, const CameraAnnouncement& camera);
  // later holds what was sent after these.
  void Then(const UnwrittenSiteWrites& later);

  bool ChecksIn() const { return checksIn_; }
  bool StartsNewSet() const { return startsNewSet_; }
  const std::map<std::int32_t, CameraAnnouncement>& Cameras() const { return cameras_; }

 private:
  void StartNewSet();

  bool checksIn_ = false;
  bool startsNewSet_ = false;
  std::map<std::int32_t, CameraAnnouncement> cameras_;  // by index
};

// What a host's connection sent for its instances that is not in the database yet, in the
// order it came; of what a later write stands for, only the later one is kept.
class UnwrittenInstanceWrites {
 public:
  struct Write {
    enum class Kind { kCheckIn, kCheckOut, kCamera };
    Kind kind = Kind::kCheckIn;
    std::int32_t instance = 0;
    SiteAnnouncement site;                    // a check-in's
    std::vector<CameraAnnouncement> cameras;  // a check-in's
    CameraAnnouncement camera;                // a camera update's
  };

  bool Empty() const { return writes_.empty(); }
  void CheckIn(std::int32_t instance, const SiteAnnouncement& site,
               const std::vector<CameraAnnouncement>& cameras);
  void CheckOut(std::int32_t instance);
  void Camera(std::int32_t instance, const CameraAnnouncement& camera);
  // later holds what was sent after these.
  void Then(const UnwrittenInstanceWrites& later);

  const std::vector<Write>& Writes() const { return writes_; }

 private:
  void Add(Write write);

  std::vector<Write> writes_;
};

// Writes them in one transaction, one after the other, with the effects their requests would
// have had.
DbOutcome WriteUnwrittenInstanceWrites(const std::string& peerAddress,
                                       const UnwrittenInstanceWrites& writes);

// Writes them in one transaction with the effects their requests would have had: the
// check-in (its row and its log entry), the camera set's start (every camera of the site
// absent), then the cameras. siteId is the row the connection knew, for writes without a
// check-in. Gives back the site's row.
DbResult<std::int32_t> WriteUnwrittenSiteWrites(const SiteAnnouncement& site,
                                                const std::string& checkInAction,
                                                const std::string& logDetail, std::int32_t siteId,
                                                const UnwrittenSiteWrites& writes);

}  // namespace orlentis
