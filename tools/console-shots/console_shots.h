#pragma once

#include <filesystem>
#include <vector>

#include "directory/console_login.h"

namespace orlentis::shots {

// Draws every window, page and dialog of the console, the property sheet as user sees it,
// into PNG files in folder, and gives back the files written. Throws when a picture would
// show an empty list (the demonstration did not reach the page) or cannot be written.
std::vector<std::filesystem::path> TakeConsoleShots(const std::filesystem::path& folder,
                                                    const ConsoleUser& user);

}  // namespace orlentis::shots
