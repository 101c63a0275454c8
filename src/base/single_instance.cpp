#include "base/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orlentis {

SingleInstanceLock::SingleInstanceLock(const std::filesystem::path& folder) {
  const auto path = folder / kLockFileName;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    problem_ = "cannot open the lock file " + path.string() + ": " + std::strerror(errno);
    return;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) {
      state_ = State::kHeldByAnother;
    } else {
      problem_ = "cannot lock the lock file " + path.string() + ": " + std::strerror(error);
    }
    return;
  }
  fd_ = fd;
  state_ = State::kAcquired;
}

SingleInstanceLock::~SingleInstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace orlentis
