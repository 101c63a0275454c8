#pragma once

#include <filesystem>

namespace orlentis {

// The folder that holds Setting.ini, the language file, the database and the lock file:
// --home, else ORLENTIS_HOME, else the executable's own folder. Start-up sets it once,
// before anything reads a file.
const std::filesystem::path& ProgramFolder();
void SetProgramFolder(const std::filesystem::path& folder);
std::filesystem::path ExecutableFolder();
// Where an installation keeps the default Setting.ini and English.lng: share/orlentis beside
// the executable's bin folder, whatever the prefix.
std::filesystem::path ShippedFilesFolder();

inline constexpr const char* kSettingsFileName = "Setting.ini";

}  // namespace orlentis
