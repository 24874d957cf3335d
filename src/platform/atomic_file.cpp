#include "platform/atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
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
  const std::string fresh = folder_ + "/." + BaseNameOf(target_) + ".XXXXXX";
  std::string pattern;
  fd_ = Retrying([&] {
    pattern = fresh;  // a failed attempt may have changed the pattern
    return ops_.CreateTemp(pattern.data());
  });
  if (fd_ < 0) Fail("Cannot create a new file in", folder_, errno);
  temp_ = pattern;
  if (Retrying([&] { return ops_.Fchmod(fd_, options.mode); }) != 0) Fail("Cannot protect", target_, errno);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) ops_.Close(fd_);
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicFileWriter::Fail(const char* what, const std::string& subject, int error_number) {
  // The new file goes at once, so that a caller that keeps the writer sees no leftover.
  if (fd_ >= 0) ops_.Close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
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
  ops_.SyncFolder(folder_.c_str());
}

void WriteFileAtomically(const std::string& path, std::string_view contents,
                         const AtomicWriteOptions& options) {
  AtomicFileWriter writer(path, options);
  writer.Write(contents.data(), contents.size());
  writer.Commit();
}

}  // namespace nummora
