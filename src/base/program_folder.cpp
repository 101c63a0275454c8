#include "base/program_folder.h"

#include <mutex>

namespace orlentis {
namespace {

std::mutex folderMutex;
std::filesystem::path& FolderSlot() {
  static std::filesystem::path folder = ExecutableFolder();
  return folder;
}

}  // namespace

std::filesystem::path ExecutableFolder() {
  std::error_code error;
  const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::current_path() : executable.parent_path();
}

std::filesystem::path ShippedFilesFolder() {
  return (ExecutableFolder() / ".." / "share" / "orlentis").lexically_normal();
}

const std::filesystem::path& ProgramFolder() {
  std::lock_guard lock(folderMutex);
  return FolderSlot();
}

void SetProgramFolder(const std::filesystem::path& folder) {
  std::lock_guard lock(folderMutex);
  FolderSlot() = folder;
}

}  // namespace orlentis
