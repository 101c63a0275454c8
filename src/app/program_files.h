#pragma once

#include <filesystem>

namespace orlentis {

inline constexpr const char* kEnglishLanguageFileName = "English.lng";

// A first start in a folder without Setting.ini writes the default Setting.ini and the
// English language file (an existing language file is kept). An existing Setting.ini is
// never touched. Returns false when a file could not be written.
bool WriteDefaultProgramFiles(const std::filesystem::path& folder);

}  // namespace orlentis
