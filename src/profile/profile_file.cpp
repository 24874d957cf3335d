#include "profile/profile_file.h"

#include <fcntl.h>
#include <openssl/crypto.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/volume_serial.h"
#include "profile/cipher.h"
#include "profile/strong_format.h"

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

AtomicWriteOptions WriteOptions(const ProfileFileOptions& options) {
  AtomicWriteOptions write_options;
  write_options.mode = S_IRUSR | S_IWUSR;
  write_options.ops = options.file_ops;
  return write_options;
}

}  // namespace

uint32_t ProfileVolumeSerial(const std::string& path, const ProfileFileOptions& options) {
  return SerialFor(ProfileFolderOf(path), options);
}

std::string ResolveProfilePath(const std::string& path) {
  return ResolveWriteTarget(path);
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
  const std::string target = ResolveProfilePath(path);
  const std::string folder = ProfileFolderOf(path);

  // The key first: a failure here leaves every file alone.
  ProfileCipher cipher(password, SerialFor(folder, options));

  try {
    AtomicFileWriter file(target, WriteOptions(options));
    WorkBuffer buffer(kCipherChunkSize);
    for (size_t offset = 0; offset < text.size();) {
      const size_t chunk = std::min(kCipherChunkSize, text.size() - offset);
      std::memcpy(buffer.data(), text.data() + offset, chunk);
      cipher.Apply(buffer.data(), chunk);
      file.Write(buffer.data(), chunk);
      offset += chunk;
    }
    file.Commit();
  } catch (const AtomicFileError& e) {
    throw EProfileFileError(e.what(), e.error_number());
  }
}

void WriteProfileFile(const std::string& path, const std::string& text, ProfileKey& key,
                      const ProfileFileOptions& options) {
  if (key.Format() == ProfileFormat::kLegacy) return EncipherToFile(path, text, key.Password(), options);
  const std::string target = ResolveProfilePath(path);
  // The key and the sealed bytes first: a failure here leaves every file alone.
  const std::string sealed = SealProfile(text, key.KeyFor(SerialFor(ProfileFolderOf(path), options)));
  try {
    AtomicFileWriter file(target, WriteOptions(options));
    file.Write(sealed.data(), sealed.size());
    file.Commit();
  } catch (const AtomicFileError& e) {
    throw EProfileFileError(e.what(), e.error_number());
  }
}

std::string ReadProfileFileBytes(const std::string& path) {
  const std::string target = ResolveProfilePath(path);
  FileDescriptor file(::open(target.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) ThrowFileError("Cannot open the profile file", path, errno);
  struct stat st {};
  if (::fstat(file.get(), &st) != 0) ThrowFileError("Cannot read the profile file", path, errno);
  if (S_ISDIR(st.st_mode)) ThrowFileError("Cannot read the profile file", path, EISDIR);
  std::string bytes;
  if (S_ISREG(st.st_mode) && st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
  std::vector<char> buffer(kCipherChunkSize);
  for (;;) {
    ssize_t n = ::read(file.get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ThrowFileError("Cannot read the profile file", path, errno);
    if (n == 0) break;
    bytes.append(buffer.data(), static_cast<size_t>(n));
  }
  return bytes;
}

std::string DecipherLegacyBytes(std::string_view bytes, const std::string& password, uint32_t volume_serial) {
  ProfileCipher cipher(password, volume_serial);
  std::string result;
  result.reserve(bytes.size());
  WorkBuffer buffer(kCipherChunkSize);
  for (size_t offset = 0; offset < bytes.size();) {
    const size_t chunk = std::min(kCipherChunkSize, bytes.size() - offset);
    std::memcpy(buffer.data(), bytes.data() + offset, chunk);
    cipher.Apply(buffer.data(), chunk);
    result.append(buffer.data(), chunk);
    offset += chunk;
  }
  return result;
}

std::string DecipherFile(const std::string& path, const std::string& password,
                         const ProfileFileOptions& options) {
  const std::string bytes = ReadProfileFileBytes(path);
  return DecipherLegacyBytes(bytes, password, SerialFor(ProfileFolderOf(path), options));
}

}  // namespace nummora
