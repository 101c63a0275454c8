#include "directory/database_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "base/program_folder.h"
#include "base/single_instance.h"
#include "store/engine.h"

namespace orlentis {
namespace {

// As many as the kernel follows before it gives up (ELOOP).
constexpr int kMaxSymlinkHops = 40;

using FileIdentity = std::pair<dev_t, ino_t>;

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{info.st_dev, info.st_ino};
}

// Where a file that does not exist would be made: its folder resolved, and its own name. A
// symlink that points nowhere yet names the place it points to.
std::filesystem::path PlaceOf(std::filesystem::path path) {
  std::error_code error;
  path = std::filesystem::absolute(path, error);
  for (int hop = 0; hop < kMaxSymlinkHops && std::filesystem::is_symlink(path, error); ++hop) {
    path = path.parent_path() / std::filesystem::read_symlink(path, error);
  }
  return std::filesystem::weakly_canonical(path, error);
}

}  // namespace

std::vector<std::filesystem::path> DatabaseOwnFiles(const std::filesystem::path& databaseFile,
                                                    const std::filesystem::path& programFolder) {
  std::vector<std::filesystem::path> files;
  for (const std::filesystem::path& database : {databaseFile, programFolder / kDatabaseFileName}) {
    if (database.empty() || !database.has_parent_path()) continue;
    files.push_back(database);
    for (const char* companion : {"-wal", "-shm", "-journal"}) {
      files.push_back(database.string() + companion);
    }
    files.push_back(database.parent_path() / kTemporaryDatabaseFileName);
  }
  if (!programFolder.empty()) files.push_back(programFolder / kLockFileName);
  return files;
}

bool NamesOneOf(const std::filesystem::path& path,
                const std::vector<std::filesystem::path>& files) {
  if (const auto identity = IdentityOf(path)) {
    return std::any_of(files.begin(), files.end(), [&](const std::filesystem::path& file) {
      return IdentityOf(file) == identity;
    });
  }
  const std::filesystem::path place = PlaceOf(path);
  return std::any_of(files.begin(), files.end(),
                     [&](const std::filesystem::path& file) { return PlaceOf(file) == place; });
}

bool IsDatabaseOwnFile(const std::filesystem::path& path) {
  return NamesOneOf(path, DatabaseOwnFiles(DatabaseFile(), ProgramFolder()));
}

}  // namespace orlentis
