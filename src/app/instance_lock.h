#pragma once
// The per-user instance lock: a lock file held (flock) by the first instance for its whole
// run. The kernel drops the lock when the process ends, however it ends, so a lock file left
// behind by a crash is simply taken over by the next start.
#include <filesystem>
#include <string>

namespace nummora {

// "<runtime folder>/nummora.lock" (platform/paths.h RuntimeFolder) and "<runtime folder>/TNummora" (named
// after the main window's class, as a second instance looks for it).
std::filesystem::path InstanceLockPath();
std::filesystem::path InstanceSocketPath();

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock() { Release(); }
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Creates the lock file (mode 0600) if needed and tries to lock it without waiting. Returns
  // true when this process holds the lock now; false when another process holds it. A file
  // that cannot be created or locked for another reason counts as not held by anybody else:
  // the program then runs as a first instance (true) rather than refusing to start.
  bool Acquire(const std::filesystem::path& path);
  // Whether the lock already existed, held by another process, at the last Acquire.
  bool HeldElsewhere() const { return heldElsewhere_; }
  void Release();

 private:
  int fd_ = -1;
  bool heldElsewhere_ = false;
};

}  // namespace nummora
