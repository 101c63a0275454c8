#pragma once

#include <SimpleIni.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orlentis {

// Reads an INI file the way the classic private-profile functions do: section and key names
// ignore case, a missing file or key gives the caller's default, and integers are read from
// their leading decimal digits. A NUL byte, which would end the reading of the whole file
// there, is read past and the line that held it named in the operator's log.
class ProfileFile {
 public:
  ProfileFile();
  explicit ProfileFile(const std::filesystem::path& path);

  bool Loaded() const { return loaded_; }
  bool HasKey(const char* section, const char* key) const;
  std::int32_t GetInt(const char* section, const char* key, std::int32_t fallback) const;
  std::string GetText(const char* section, const char* key, std::string_view fallback,
                      std::size_t maxLength) const;

  void SetText(const char* section, const char* key, const std::string& value);
  // Writes the whole file through a temporary file and a rename, so that a crash or a full
  // disk never leaves half a settings file behind. New files get mode 0600.
  bool SaveAs(const std::filesystem::path& path) const;

 private:
  CSimpleIniA ini_;
  bool loaded_ = false;
};

// Optional sign, then leading decimal digits; anything else reads as 0. Values beyond the
// 32-bit range saturate.
std::int32_t ParseProfileInt(std::string_view text);
// The same, but nothing when the text has no leading digit at all.
std::optional<std::int32_t> ParseProfileNumber(std::string_view text);

// Writes bytes to a file through a temporary sibling (its name with ".new", always made anew)
// and a rename; new files get mode 0600.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content);

}  // namespace orlentis
