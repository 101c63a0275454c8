#pragma once

#include <string>
#include <vector>

namespace orlentis {

// The whole life of the program: options, program folder, single instance, first-start
// files, then the server until it is told to stop. Returns the exit status.
int RunOrlentis(const std::vector<std::string>& arguments);

}  // namespace orlentis
