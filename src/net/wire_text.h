#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

namespace orlentis {

// Texts on the wire are in the recorders' code page (the setting SYSTEM/CODEPAGE); the
// database holds UTF-8. A character the target cannot hold becomes '?', so a bad byte from
// a peer never stops a conversion. One codec per thread: iconv descriptors are not shared.
class WireTextCodec {
 public:
  explicit WireTextCodec(const std::string& codePage);
  ~WireTextCodec();
  WireTextCodec(const WireTextCodec&) = delete;
  WireTextCodec& operator=(const WireTextCodec&) = delete;

  std::string ToUtf8(std::string_view wireText) const;
  std::string FromUtf8(std::string_view utf8) const;
  // A check-in's UTF-16 site name: into the code page, cut to what a 64-byte field holds
  // (63 bytes), then to UTF-8.
  std::string SiteNameToUtf8(std::u16string_view name) const;

 private:
  iconv_t toUtf8_;
  iconv_t fromUtf8_;
  iconv_t fromUtf16_;
};

inline constexpr std::size_t kMaxSiteNameBytes = 63;

}  // namespace orlentis
