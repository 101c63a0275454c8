#pragma once

#include <string_view>

namespace orlentis {

// The default files of a new program folder, compiled in from resources/.
extern const std::string_view kDefaultSettingsIni;
extern const std::string_view kEnglishLanguageFile;

}  // namespace orlentis
