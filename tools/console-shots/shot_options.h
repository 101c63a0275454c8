#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orlentis::shots {

struct ShotOptions {
  std::filesystem::path out;
  // Where the demonstration is built and kept; a temporary folder when not given.
  std::optional<std::filesystem::path> home;
  bool help = false;
};

struct ShotOptionsResult {
  std::optional<ShotOptions> options;
  std::string error;
};

// --out DIR (required unless --help), --home DIR, --help.
ShotOptionsResult ParseShotOptions(const std::vector<std::string>& arguments);

std::string ShotUsageText();

}  // namespace orlentis::shots
