#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace orlentis {

// Texts of the recorders are in their code page (the setting SYSTEM/CODEPAGE); the database
// holds UTF-8. A character the target cannot hold becomes '?', so a bad byte from a peer
// never stops a conversion. One object per thread: iconv descriptors are not shared.
class CodePageText {
 public:
  explicit CodePageText(const std::string& codePage);
  ~CodePageText();
  CodePageText(const CodePageText&) = delete;
  CodePageText& operator=(const CodePageText&) = delete;

  std::string ToUtf8(std::string_view codePageText) const;
  std::string FromUtf8(std::string_view utf8) const;
  // The same without substitutes: nothing when a character has no counterpart in the code
  // page (or utf8 is not UTF-8), for texts whose bytes must be exact, such as passwords.
  std::optional<std::string> FromUtf8Exactly(std::string_view utf8) const;
  // A check-in's UTF-16 site name: into the code page, cut to what a 64-byte field holds
  // (63 bytes), then to UTF-8.
  std::string SiteNameToUtf8(std::u16string_view name) const;

 private:
  iconv_t toUtf8_;
  iconv_t fromUtf8_;
  iconv_t fromUtf16_;
};

inline constexpr std::size_t kMaxSiteNameBytes = 63;

// codePage when iconv knows it; otherwise, with a note on standard error, WINDOWS-1252, so
// that an unknown code page in the settings never keeps the server from serving.
std::string UsableCodePage(const std::string& codePage);

}  // namespace orlentis
