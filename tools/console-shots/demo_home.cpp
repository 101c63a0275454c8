#include "demo_home.h"

#include <cstdlib>
#include <stdexcept>

#include "base/default_files.h"
#include "base/program_folder.h"
#include "store/engine.h"
#include "store/store_startup.h"

namespace orlentis::shots {
namespace {

std::filesystem::path MakeTemporaryFolder() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "orlentis-console-shots-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temp folder");
  return pattern;
}

// A demonstration must never add its sites and accounts to a real program folder.
void RequireNewOrEmpty(const std::filesystem::path& folder) {
  std::error_code error;
  if (std::filesystem::exists(folder, error) && !std::filesystem::is_empty(folder, error)) {
    throw std::runtime_error(folder.string() + " is not empty");
  }
  std::filesystem::create_directories(folder, error);
  if (error) throw std::runtime_error("cannot create " + folder.string() + ": " + error.message());
}

}  // namespace

DemoHome::DemoHome(const std::optional<std::filesystem::path>& home) {
  if (home) {
    RequireNewOrEmpty(*home);
    path_ = std::filesystem::absolute(*home);
  } else {
    path_ = MakeTemporaryFolder();
    temporary_ = true;
  }
  try {
    Prepare();
  } catch (...) {
    Leave();
    throw;
  }
}

DemoHome::~DemoHome() {
  Leave();
}

void DemoHome::Prepare() {
  SetProgramFolder(path_);
  if (!WriteDefaultProgramFiles(path_)) {
    throw std::runtime_error("cannot write the default settings into " + path_.string());
  }
  if (PrepareDatabase(path_ / kDatabaseFileName) != DatabasePreparation::kReady ||
      !RunStoreStartup(path_)) {
    throw std::runtime_error("cannot prepare the database in " + path_.string());
  }
}

void DemoHome::Leave() {
  CloseThreadSession();
  if (!temporary_) return;
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

}  // namespace orlentis::shots
