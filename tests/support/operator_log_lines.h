#pragma once

#include <sstream>
#include <string>
#include <string_view>

namespace orlentis::testing {

// Whether printed, the operator's log of a run, holds exactly one error line and that line
// holds expected.
inline bool IsTheOnlyErrorLine(const std::string& printed, std::string_view expected) {
  std::istringstream lines(printed);
  int errorLines = 0;
  bool found = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.find(" error [") == std::string::npos) continue;
    ++errorLines;
    found = found || line.find(expected) != std::string::npos;
  }
  return errorLines == 1 && found;
}

}  // namespace orlentis::testing
