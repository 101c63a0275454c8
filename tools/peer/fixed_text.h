#pragma once

#include <cstdio>
#include <string>

namespace orlentis::peer {

// value with decimals digits after the point, as the reports print their figures.
inline std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace orlentis::peer
