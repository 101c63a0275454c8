#include "shot_options.h"

#include "demo_database.h"

namespace orlentis::shots {

ShotOptionsResult ParseShotOptions(const std::vector<std::string>& arguments) {
  ShotOptions options;
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    if (argument == "--help" || argument == "-h") {
      options.help = true;
      return {options, {}};
    }
    if (argument != "--out" && argument != "--home") return {{}, "unknown option " + argument};
    if (index + 1 == arguments.size()) return {{}, argument + " needs a folder"};
    const std::filesystem::path folder = arguments[++index];
    if (argument == "--out") {
      options.out = folder;
    } else {
      options.home = folder;
    }
  }
  if (options.out.empty()) return {{}, "--out is required"};
  return {options, {}};
}

std::string ShotUsageText() {
  return "Usage: orlentis-console-shots --out DIR [--home DIR]\n"
         "\n"
         "Draws every window, page and dialog of the console against a demonstration\n"
         "database, off screen, into PNG files in the --out folder.\n"
         "\n"
         "  --out DIR   where the pictures go (created when missing)\n"
         "  --home DIR  build the demonstration program folder here and keep it; the folder\n"
         "              must be new or empty. Every account there has the password " +
         std::string(kDemoPassword) +
         ".\n"
         "              Without it a temporary folder is used and removed.\n";
}

}  // namespace orlentis::shots
