#pragma once

#include <cstdint>

namespace soci {
class session;
}

namespace orlentis {

// How large the directory is, for the metrics: sampled now and then, never per request.
struct DirectorySizes {
  std::int64_t users = 0;
  std::int64_t sitesOnline = 0;
  std::int64_t logEntries = 0;
};

DirectorySizes CountDirectorySizes(soci::session& session);

}  // namespace orlentis
