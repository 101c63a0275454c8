#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>

namespace orlentis {

// One language file: section STRING, keys are decimal text ids. Read once; a missing file
// holds no texts.
class LanguageFile {
 public:
  LanguageFile() = default;
  explicit LanguageFile(const std::filesystem::path& path);
  // The texts of a language file's contents.
  static LanguageFile FromText(std::string_view text);

  // The text for id, or an empty text when the file or the id is missing.
  std::string Text(int id) const;

 private:
  std::unordered_map<int, std::string> texts_;
};

// The language file named by Setting.ini in folder: LANGUAGE/<value of LANGUAGETYPE/TYPE>,
// relative to folder; empty when no name is given.
std::filesystem::path LanguageFilePath(const std::filesystem::path& folder);
// The language file the process reads: the one of folder; where folder lacks it, or lacks a
// Setting.ini to name it, the one an installation ships in shippedFolder. Empty when
// neither names one.
std::filesystem::path FindLanguageFile(const std::filesystem::path& folder,
                                       const std::filesystem::path& shippedFolder);

// The process's language texts. The first call fixes the language file (FindLanguageFile of
// the program folder and the installation's shipped files); later changes of the settings take
// effect at the next start.
std::string GetLanguageText(int id);
// A text newer than the first language files: the English.lng that an older version wrote into
// a program folder lacks it, and the compiled-in English text stands in for it there.
std::string GetNewerLanguageText(int id);

}  // namespace orlentis
