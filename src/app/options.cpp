#include "app/options.h"

#include <cstdlib>

#include "base/program_folder.h"

namespace orlentis {

OptionsResult ParseOptions(const std::vector<std::string>& arguments) {
  Options options;
  bool headless = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      options.mode = RunMode::kHelp;
      return {options, {}};
    }
    if (argument == "--version") {
      options.mode = RunMode::kVersion;
      return {options, {}};
    }
    if (argument == "--headless") {
      headless = true;
    } else if (argument == "--home") {
      if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
        return {std::nullopt, "option --home needs a folder"};
      }
      options.home = arguments[++i];
    } else if (argument.starts_with("--home=") && argument.size() > 7) {
      options.home = argument.substr(7);
    } else {
      return {std::nullopt, "unknown option '" + argument + "' (see --help)"};
    }
  }
  options.mode = headless ? RunMode::kHeadless : RunMode::kTray;
  return {options, {}};
}

std::string UsageText() {
  return "Usage: orlentis [--home DIR] [--headless]\n"
         "Central directory and account server of a recorder network.\n"
         "\n"
         "  --home DIR   program folder holding Setting.ini, the language file and the\n"
         "               database (default: $ORLENTIS_HOME, else the executable's folder);\n"
         "               created when missing\n"
         "  --headless   run the server without any window (ends on SIGTERM or SIGINT)\n"
         "  --help       show this help and exit\n"
         "  --version    show the version and exit\n"
         "\n"
         "Exit status: 0 after a clean stop, 1 when another instance holds the program\n"
         "folder, 2 for a usage error, 3 when the database has a newer schema version than\n"
         "this program knows or cannot be upgraded (it is left unchanged).\n";
}

std::filesystem::path ResolveProgramFolder(const Options& options) {
  if (options.home) return std::filesystem::absolute(*options.home);
  const char* environment = std::getenv("ORLENTIS_HOME");
  if (environment != nullptr && *environment != '\0') {
    return std::filesystem::absolute(environment);
  }
  return ExecutableFolder();
}

}  // namespace orlentis
