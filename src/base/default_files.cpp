#include "base/default_files.h"

#include "base/profile_file.h"
#include "base/program_folder.h"

namespace orlentis {

bool WriteDefaultProgramFiles(const std::filesystem::path& folder) {
  std::error_code error;
  if (std::filesystem::exists(folder / kSettingsFileName, error)) return true;
  bool ok = true;
  const auto language = folder / kEnglishLanguageFileName;
  if (!std::filesystem::exists(language, error)) {
    ok = WriteFileAtomically(language, kEnglishLanguageFile);
  }
  return WriteFileAtomically(folder / kSettingsFileName, kDefaultSettingsIni) && ok;
}

}  // namespace orlentis
