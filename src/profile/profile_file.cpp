#include "profile/profile_file.h"

#include <fcntl.h>
#include <limits.h>
#include <openssl/crypto.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "common/secure_memory.h"
#include "platform/volume_serial.h"
#include "profile/cipher.h"

namespace nummora {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  int Close() {
    if (fd_ < 0) return 0;
    int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

// A work buffer that is wiped before it is released.
class WorkBuffer {
 public:
  explicit WorkBuffer(size_t size) : bytes_(size) {}
  ~WorkBuffer() { OPENSSL_cleanse(bytes_.data(), bytes_.size()); }
  char* data() { return bytes_.data(); }

 private:
  std::vector<char> bytes_;
};

[[noreturn]] void ThrowFileError(const std::string& what, const std::string& path, int error_number) {
  throw EProfileFileError(what + " " + path + ": " + std::strerror(error_number), error_number);
}

uint32_t SerialFor(const std::string& folder, const ProfileFileOptions& options) {
  if (options.volume_serial) return *options.volume_serial;
  return VolumeSerialOf(folder);
}

}  // namespace

ssize_t FileOps::Write(int fd, const void* data, size_t size) {
  return ::write(fd, data, size);
}
int FileOps::Fsync(int fd) {
  return ::fsync(fd);
}
int FileOps::Rename(const char* from, const char* to) {
  return ::rename(from, to);
}

std::string ResolveProfilePath(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
  return path;
}

std::string ProfileFolderOf(const std::string& path) {
  std::string resolved = ResolveProfilePath(path);
  size_t slash = resolved.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return resolved.substr(0, slash);
}

void EncipherToFile(const std::string& path, const std::string& text, const std::string& password,
                    const ProfileFileOptions& options) {
  FileOps default_ops;
  FileOps& ops = options.file_ops != nullptr ? *options.file_ops : default_ops;
  const std::string target = ResolveProfilePath(path);
  const std::string folder = ProfileFolderOf(path);

  // The key first: a failure here leaves every file alone.
  ProfileCipher cipher(password, SerialFor(folder, options));

  const size_t slash = target.find_last_of('/');
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string temp_name = folder + "/." + base + ".XXXXXX";
  FileDescriptor file(::mkostemp(temp_name.data(), O_CLOEXEC));
  if (file.get() < 0) ThrowFileError("Cannot create a new profile file in", folder, errno);

  bool done = false;
  struct TempRemover {
    const std::string& name;
    const bool& done;
    ~TempRemover() {
      if (!done) ::unlink(name.c_str());
    }
  } remover{temp_name, done};

  if (::fchmod(file.get(), S_IRUSR | S_IWUSR) != 0) ThrowFileError("Cannot protect", temp_name, errno);

  WorkBuffer buffer(kCipherChunkSize);
  for (size_t offset = 0; offset < text.size();) {
    const size_t chunk = std::min(kCipherChunkSize, text.size() - offset);
    std::memcpy(buffer.data(), text.data() + offset, chunk);
    cipher.Apply(buffer.data(), chunk);
    for (size_t written = 0; written < chunk;) {
      ssize_t n = ops.Write(file.get(), buffer.data() + written, chunk - written);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) ThrowFileError("Cannot write the profile file", target, n < 0 ? errno : EIO);
      written += static_cast<size_t>(n);
    }
    offset += chunk;
  }
  if (ops.Fsync(file.get()) != 0) ThrowFileError("Cannot write the profile file", target, errno);
  if (file.Close() != 0) ThrowFileError("Cannot write the profile file", target, errno);
  if (ops.Rename(temp_name.c_str(), target.c_str()) != 0)
    ThrowFileError("Cannot replace the profile file", target, errno);
  done = true;

  // Make the rename itself durable. The new file is in place already, so a failure here is
  // not reported as a failed save.
  FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

std::string DecipherFile(const std::string& path, const std::string& password,
                         const ProfileFileOptions& options) {
  const std::string target = ResolveProfilePath(path);
  FileDescriptor file(::open(target.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) ThrowFileError("Cannot open the profile file", path, errno);
  struct stat st {};
  if (::fstat(file.get(), &st) != 0) ThrowFileError("Cannot read the profile file", path, errno);
  if (S_ISDIR(st.st_mode)) ThrowFileError("Cannot read the profile file", path, EISDIR);

  ProfileCipher cipher(password, SerialFor(ProfileFolderOf(path), options));

  std::string result;
  if (S_ISREG(st.st_mode) && st.st_size > 0) result.reserve(static_cast<size_t>(st.st_size));
  WorkBuffer buffer(kCipherChunkSize);
  for (;;) {
    ssize_t n = ::read(file.get(), buffer.data(), kCipherChunkSize);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SecureWipe(result);
      ThrowFileError("Cannot read the profile file", path, errno);
    }
    if (n == 0) break;
    cipher.Apply(buffer.data(), static_cast<size_t>(n));
    result.append(buffer.data(), static_cast<size_t>(n));
  }
  return result;
}

}  // namespace nummora
