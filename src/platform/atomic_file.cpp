#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace nummora {
namespace {

constexpr int kMaxLinkHops = 40;

// Repeats a call that a signal interrupted.
template <typename Call>
auto Retrying(Call call) {
  for (;;) {
    auto rc = call();
    if (rc >= 0 || errno != EINTR) return rc;
  }
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The new files of a target are named "." + its name + "." + six characters (mkostemp).
bool IsTempNameOf(const std::string& entry, const std::string& prefix) {
  return entry.size() == prefix.size() + 6 && entry.compare(0, prefix.size(), prefix) == 0;
}

// A new file is owned by the writer that holds a lock on it; the kernel drops the lock when
// that process ends, however it ends. Removes the new files of `prefix` in `folder` that no
// running writer owns: those a killed save left behind. `own` is the caller's new file.
void RemoveStaleTemps(const std::string& folder, const std::string& prefix, const std::string& own) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!IsTempNameOf(name, prefix)) continue;
    const std::string path = folder + "/" + name;
    if (path == own) continue;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat opened {
    }, named{};
    // Only a regular file that is still the one under that name, and that nobody holds.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
        ::lstat(path.c_str(), &named) == 0 && named.st_ino == opened.st_ino && named.st_dev == opened.st_dev)
      ::unlink(path.c_str());
    ::close(fd);
  }
  ::closedir(dir);
}

}  // namespace

int FileOps::CreateTemp(char* pattern) {
  return ::mkostemp(pattern, O_CLOEXEC);
}
int FileOps::Fchmod(int fd, mode_t mode) {
  return ::fchmod(fd, mode);
}
ssize_t FileOps::Write(int fd, const void* data, size_t size) {
  return ::write(fd, data, size);
}
int FileOps::Fsync(int fd) {
  return ::fsync(fd);
}
int FileOps::Close(int fd) {
  return ::close(fd);
}
int FileOps::Rename(const char* from, const char* to) {
  return ::rename(from, to);
}
int FileOps::SyncFolder(const char* folder) {
  const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -1;
  const int rc = Retrying([&] { return ::fsync(fd); });
  const int saved = errno;
  ::close(fd);
  errno = saved;
  return rc;
}

std::string ResolveWriteTarget(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    char resolved[PATH_MAX];
    if (::realpath(current.c_str(), resolved) != nullptr) return resolved;
    // The file does not exist (yet): a link that points nowhere is followed by hand, so that
    // the file is created where the link points; any other path is written as it stands.
    char link[PATH_MAX];
    const ssize_t n = ::readlink(current.c_str(), link, sizeof link);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof link) return current;
    std::string next(link, static_cast<size_t>(n));
    if (next.front() != '/' && current.find('/') != std::string::npos) next = FolderOf(current) + "/" + next;
    current = next;
  }
  return current;
}

AtomicFileWriter::AtomicFileWriter(const std::string& path, const AtomicWriteOptions& options)
    : ops_(options.ops != nullptr ? *options.ops : default_ops_),
      target_(ResolveWriteTarget(path)),
      folder_(FolderOf(target_)) {
  const std::string prefix = "." + BaseNameOf(target_) + ".";
  const std::string fresh = folder_ + "/" + prefix + "XXXXXX";
  for (int attempt = 0;; ++attempt) {
    std::string pattern;
    fd_ = Retrying([&] {
      pattern = fresh;  // a failed attempt may have changed the pattern
      return ops_.CreateTemp(pattern.data());
    });
    if (fd_ < 0) Fail("Cannot create a new file in", folder_, errno);
    temp_ = pattern;
    // Another save may have taken the file for a leftover between its creation and the lock:
    // then it is gone from the folder and a new one is made.
    if (HoldTemp() || attempt == 2) break;
    ::unlink(temp_.c_str());
    ops_.Close(fd_);
    fd_ = -1;
  }
  RemoveStaleTemps(folder_, prefix, temp_);
  if (Retrying([&] { return ops_.Fchmod(fd_, options.mode); }) != 0) Fail("Cannot protect", target_, errno);
}

bool AtomicFileWriter::HoldTemp() {
  // The lock is taken on a descriptor of its own, so that it lasts past the close that
  // Commit makes before the rename.
  lock_fd_ = ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (lock_fd_ < 0) return false;
  struct stat held {};
  if (Retrying([&] { return ::flock(lock_fd_, LOCK_EX); }) == 0 && ::fstat(lock_fd_, &held) == 0 &&
      held.st_nlink > 0)
    return true;
  ReleaseTemp();
  return false;
}

void AtomicFileWriter::ReleaseTemp() {
  if (lock_fd_ >= 0) ::close(lock_fd_);
  lock_fd_ = -1;
}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) ops_.Close(fd_);
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
  ReleaseTemp();
}

void AtomicFileWriter::Fail(const char* what, const std::string& subject, int error_number) {
  // The new file goes at once, so that a caller that keeps the writer sees no leftover.
  if (fd_ >= 0) ops_.Close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  ReleaseTemp();
  throw AtomicFileError(std::string(what) + " " + subject + ": " + std::strerror(error_number), error_number);
}

void AtomicFileWriter::Write(const void* data, size_t size) {
  if (fd_ < 0) Fail("Cannot write", target_, EBADF);
  const char* bytes = static_cast<const char*>(data);
  for (size_t written = 0; written < size;) {
    const ssize_t n = Retrying([&] { return ops_.Write(fd_, bytes + written, size - written); });
    if (n <= 0) Fail("Cannot write", target_, n < 0 ? errno : EIO);
    written += static_cast<size_t>(n);
  }
}

void AtomicFileWriter::Commit() {
  if (fd_ < 0) Fail("Cannot write", target_, EBADF);
  if (Retrying([&] { return ops_.Fsync(fd_); }) != 0) Fail("Cannot write", target_, errno);
  // close is not repeated on EINTR: on Linux the descriptor is gone either way.
  const int closed = ops_.Close(fd_);
  fd_ = -1;
  if (closed != 0 && errno != EINTR) Fail("Cannot write", target_, errno);
  if (Retrying([&] { return ops_.Rename(temp_.c_str(), target_.c_str()); }) != 0)
    Fail("Cannot replace", target_, errno);
  committed_ = true;
  ReleaseTemp();
  ops_.SyncFolder(folder_.c_str());
}

void WriteFileAtomically(const std::string& path, std::string_view contents,
                         const AtomicWriteOptions& options) {
  AtomicFileWriter writer(path, options);
  writer.Write(contents.data(), contents.size());
  writer.Commit();
}

}  // namespace nummora
