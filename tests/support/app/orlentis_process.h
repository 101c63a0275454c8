#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/base/child_process.h"

namespace orlentis::testing {

// The real orlentis executable started headless on a program folder.
ChildProcess::Launch HeadlessLaunch(const std::filesystem::path& home,
                                    std::vector<std::string> extraArguments = {});

// True once some process holds the program folder's lock (polls up to timeoutMs).
bool WaitUntilFolderLocked(const std::filesystem::path& home, int timeoutMs);

// True once path exists (polls up to timeoutMs).
bool WaitUntilExists(const std::filesystem::path& path, int timeoutMs);

}  // namespace orlentis::testing
