#include "base/code_page_text.h"

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <stdexcept>

namespace orlentis {
namespace {

iconv_t OpenConversion(const std::string& to, const std::string& from) {
  iconv_t conversion = ::iconv_open(to.c_str(), from.c_str());
  if (conversion == reinterpret_cast<iconv_t>(-1)) {
    throw std::runtime_error("unknown code page conversion " + from + " to " + to);
  }
  return conversion;
}

// The length of the character that starts input, for skipping one the target cannot hold.
using CharacterLength = std::size_t (*)(const char* input, std::size_t left);

std::size_t SingleByte(const char*, std::size_t) {
  return 1;
}

std::size_t Utf8Length(const char* input, std::size_t left) {
  const auto lead = static_cast<unsigned char>(input[0]);
  std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  return std::min(length, left);
}

std::size_t Utf16Length(const char* input, std::size_t left) {
  const auto high = static_cast<unsigned char>(input[1 < left ? 1 : 0]);
  const std::size_t length = high >= 0xD8 && high <= 0xDB ? 4 : 2;
  return std::min(length, left);
}

// Converts input whole. A character without a counterpart, or a cut one at the end, becomes
// '?' when substituting; otherwise it ends the conversion with nothing.
std::optional<std::string> Convert(iconv_t conversion, std::string_view input,
                                   CharacterLength characterLength, bool substituting) {
  ::iconv(conversion, nullptr, nullptr, nullptr, nullptr);
  std::string output;
  char buffer[256];
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  while (inLeft > 0) {
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t result = ::iconv(conversion, &in, &inLeft, &out, &outLeft);
    output.append(buffer, static_cast<std::size_t>(out - buffer));
    if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    if (!substituting) return std::nullopt;
    const std::size_t skip = characterLength(in, inLeft);
    in += skip;
    inLeft -= skip;
    output += '?';
  }
  return output;
}

std::string Substituting(iconv_t conversion, std::string_view input,
                         CharacterLength characterLength) {
  return *Convert(conversion, input, characterLength, true);
}

}  // namespace

CodePageText::CodePageText(const std::string& codePage)
    : toUtf8_(OpenConversion("UTF-8", codePage)),
      fromUtf8_(OpenConversion(codePage, "UTF-8")),
      fromUtf16_(OpenConversion(codePage, "UTF-16LE")) {}

CodePageText::~CodePageText() {
  ::iconv_close(toUtf8_);
  ::iconv_close(fromUtf8_);
  ::iconv_close(fromUtf16_);
}

std::string CodePageText::ToUtf8(std::string_view codePageText) const {
  return Substituting(toUtf8_, codePageText, SingleByte);
}

std::string CodePageText::FromUtf8(std::string_view utf8) const {
  return Substituting(fromUtf8_, utf8, Utf8Length);
}

std::optional<std::string> CodePageText::FromUtf8Exactly(std::string_view utf8) const {
  return Convert(fromUtf8_, utf8, Utf8Length, false);
}

std::string CodePageText::SiteNameToUtf8(std::u16string_view name) const {
  std::string utf16le;
  for (const char16_t unit : name) {
    utf16le += static_cast<char>(unit & 0xFF);
    utf16le += static_cast<char>(unit >> 8);
  }
  std::string inCodePage = Substituting(fromUtf16_, utf16le, Utf16Length);
  if (inCodePage.size() > kMaxSiteNameBytes) inCodePage.resize(kMaxSiteNameBytes);
  return ToUtf8(inCodePage);
}

std::string UsableCodePage(const std::string& codePage) {
  try {
    CodePageText probe(codePage);
    return codePage;
  } catch (const std::exception& error) {
    std::cerr << "orlentis: " << error.what() << "; using WINDOWS-1252\n";
    return "WINDOWS-1252";
  }
}

}  // namespace orlentis
