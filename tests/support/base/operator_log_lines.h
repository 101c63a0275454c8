#pragma once

#include <sstream>
#include <string>
#include <string_view>

namespace orlentis::testing {

// Whether printed, the operator's log of a run, holds exactly one line of level and that line
// holds expected.
inline bool IsTheOnlyLineOfLevel(const std::string& printed, std::string_view level,
                                 std::string_view expected) {
  const std::string marker = " " + std::string(level) + " [";
  std::istringstream lines(printed);
  int levelLines = 0;
  bool found = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.find(marker) == std::string::npos) continue;
    ++levelLines;
    found = found || line.find(expected) != std::string::npos;
  }
  return levelLines == 1 && found;
}

inline bool IsTheOnlyErrorLine(const std::string& printed, std::string_view expected) {
  return IsTheOnlyLineOfLevel(printed, "error", expected);
}

inline bool IsTheOnlyWarningLine(const std::string& printed, std::string_view expected) {
  return IsTheOnlyLineOfLevel(printed, "warning", expected);
}

}  // namespace orlentis::testing
