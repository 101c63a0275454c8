#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/base/child_process.h"

namespace orlentis::testing {

inline constexpr int kAdminRunLimitMs = 60000;

struct AdminRun {
  int status = -1;
  std::string output;
  std::string error;
};

// orlentis-admin on the program folder home, to its end.
inline AdminRun RunAdminTool(const std::filesystem::path& home, std::vector<std::string> arguments,
                             const std::string& input = {}) {
  arguments.insert(arguments.begin(), {"--home", home.string()});
  ChildProcess child({ORLENTIS_ADMIN_BINARY, std::move(arguments), {}, {}}, input);
  AdminRun run;
  run.status = child.Wait(kAdminRunLimitMs).value_or(-1);
  run.output = child.StandardOutput();
  run.error = child.ErrorOutput();
  return run;
}

}  // namespace orlentis::testing
