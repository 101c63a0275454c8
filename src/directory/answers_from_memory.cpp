#include "directory/answers_from_memory.h"

#include "base/settings.h"
#include "directory/shared_directory.h"
#include "store/database_maintenance.h"

namespace orlentis {

bool DirectoryAnsweredFromMemory() {
  const DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  if (!maintenance.IsUnavailable()) return false;
  if (!DirectoryIsShared()) return false;
  const std::chrono::seconds limit(Settings::Instance().GetCachedLoginSeconds());
  return maintenance.UnavailableFor() <= limit && limit.count() > 0;
}

}  // namespace orlentis
