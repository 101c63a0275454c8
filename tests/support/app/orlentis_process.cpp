#include "support/app/orlentis_process.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace orlentis::testing {
namespace {

bool FolderLocked(const std::filesystem::path& home) {
  const int fd = ::open((home / "Orlentis.lock").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);
  return locked;
}

template <class Condition>
bool PollUntil(Condition condition, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return condition();
}

}  // namespace

ChildProcess::Launch HeadlessLaunch(const std::filesystem::path& home,
                                    std::vector<std::string> extraArguments) {
  ChildProcess::Launch launch;
  launch.program = ORLENTIS_BINARY;
  launch.arguments = {"--home", home.string(), "--headless"};
  launch.arguments.insert(launch.arguments.end(), extraArguments.begin(), extraArguments.end());
  launch.environment = {"ORLENTIS_ADMIN_PASSWORD=test-admin"};
  return launch;
}

bool WaitUntilFolderLocked(const std::filesystem::path& home, int timeoutMs) {
  return PollUntil([&] { return FolderLocked(home); }, timeoutMs);
}

bool WaitUntilExists(const std::filesystem::path& path, int timeoutMs) {
  return PollUntil([&] { return std::filesystem::exists(path); }, timeoutMs);
}

}  // namespace orlentis::testing
