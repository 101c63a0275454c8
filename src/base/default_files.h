#pragma once

#include <filesystem>
#include <string_view>

namespace orlentis {

inline constexpr const char* kEnglishLanguageFileName = "English.lng";

// The default files of a new program folder, compiled in from resources/.
extern const std::string_view kDefaultSettingsIni;
extern const std::string_view kEnglishLanguageFile;

// A first start in a folder without Setting.ini writes the default Setting.ini and the
// English language file (an existing language file is kept). An existing Setting.ini is
// never touched. Returns false when a file could not be written.
bool WriteDefaultProgramFiles(const std::filesystem::path& folder);

}  // namespace orlentis
