#include "app/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/paths.h"

namespace nummora {

std::filesystem::path InstanceLockPath() {
  return RuntimeFolder() / "nummora.lock";
}
std::filesystem::path InstanceSocketPath() {
  return RuntimeFolder() / "TNummora";
}

bool InstanceLock::Acquire(const std::filesystem::path& path) {
  Release();
  heldElsewhere_ = false;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return true;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    heldElsewhere_ = busy;
    return !busy;
  }
  fd_ = fd;
  return true;
}

void InstanceLock::Release() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace nummora
