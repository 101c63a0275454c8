#include "base/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace orlentis {

SingleInstanceLock::SingleInstanceLock(const std::filesystem::path& folder) {
  const auto path = folder / kLockFileName;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return;
  }
  fd_ = fd;
}

SingleInstanceLock::~SingleInstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace orlentis
