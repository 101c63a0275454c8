#include "directory/shared_directory.h"

#include "store/engine.h"

namespace orlentis {

bool DirectoryIsShared() {
  return CurrentDatabaseTarget().engine == DatabaseEngine::kPostgres;
}

}  // namespace orlentis
