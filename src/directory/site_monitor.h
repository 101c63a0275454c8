#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/db_outcome.h"
#include "store/server_table.h"

namespace orlentis {

// What the console's Monitor page shows of the sites and their cameras. Each function is one
// guarded database operation on the calling thread's session.

// A site that has not checked in for this long (259.2 seconds) is no longer on line.
inline constexpr double kStaleCheckInDays = 0.003;

struct OnlineSite {
  std::int32_t id = 0;
  std::string name;
  std::string address;
  std::int32_t webServerPort = 0;
  std::int32_t cameraCount = 0;  // cameras the site currently reports
  std::string server;            // it checked in through, where several servers share the directory
};

// The sites on line, by address, instance and name. A listed site whose last check-in is
// older than kStaleCheckInDays is marked off line on the way and left out: the recorders do
// not always check out, so this refresh is where silent sites drop off.
DbResult<std::vector<OnlineSite>> RefreshOnlineSites();

struct SiteCamera {
  std::string name;
  std::string resolution;
  std::int32_t stateFlag = 0;  // bit 0 recording, bit 1 loss of signal

  bool IsRecording() const { return (stateFlag & 1) != 0; }
  bool HasLostSignal() const { return (stateFlag & 2) != 0; }
};

// The cameras a site currently reports, by index.
DbResult<std::vector<SiteCamera>> ListSiteCameras(std::int32_t siteId);

// The servers sharing the directory, by name; none when it has no servers.
DbResult<std::vector<ServerRow>> ListServers();

}  // namespace orlentis
