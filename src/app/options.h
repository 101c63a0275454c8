#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orlentis {

enum class RunMode { kTray, kHeadless, kHelp, kVersion };

struct Options {
  RunMode mode = RunMode::kTray;
  std::optional<std::filesystem::path> home;
};

struct OptionsResult {
  std::optional<Options> options;
  std::string error;  // one line, set when options is empty
};

OptionsResult ParseOptions(const std::vector<std::string>& arguments);
std::string UsageText();

// --home, else ORLENTIS_HOME, else the executable's folder.
std::filesystem::path ResolveProgramFolder(const Options& options);

inline constexpr int kExitOk = 0;
inline constexpr int kExitAlreadyRunning = 1;
inline constexpr int kExitUsage = 2;
// The database's schema is newer than this program knows, or its upgrade failed.
inline constexpr int kExitDatabaseRefused = 3;

}  // namespace orlentis
