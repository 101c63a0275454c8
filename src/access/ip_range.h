#pragma once

#include <cstdint>
#include <string_view>

namespace orlentis {

// The value of a dotted address as the filter compares it: split at dots (a run of dots is
// one separator), at most four parts, each read as decimal up to its first non-digit (no
// digits: 0) and shifted left by 24, 16, 8 and 0 bits, the parts combined by OR. A part above
// 255 thus spills into the bits of the parts before it; missing parts leave low bytes 0.
// Only the first 31 characters of the text are used.
std::uint32_t AddressValue(std::string_view dotted);

// Whether address lies in the inclusive range from..to, compared as unsigned values; a range
// whose from is above its to holds nothing.
bool RangeContains(std::string_view from, std::string_view to, std::uint32_t address);

}  // namespace orlentis
