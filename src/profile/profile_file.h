#pragma once
// Reading and writing the enciphered profile file. The file holds the profile document
// enciphered byte for byte: no header, no checksum, no padding.
//
// Writing never damages the existing file: the text goes to a new file in the same folder
// (mode 0600), which is flushed to disk and then renamed over the old one. Any failure on the
// way removes the new file and leaves the old one as it was.
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

#include "common/errors.h"

namespace nummora {

// A file could not be opened, read or written. `error_number` is the errno value (ENOENT for
// a missing file), 0 when there is none.
class EProfileFileError : public NummoraError {
 public:
  EProfileFileError(const std::string& message, int error_number)
      : NummoraError(message), error_number_(error_number) {}
  int error_number() const { return error_number_; }

 private:
  int error_number_;
};

// The system calls used for writing; tests replace them to make a write fail half-way.
class FileOps {
 public:
  virtual ~FileOps() = default;
  virtual ssize_t Write(int fd, const void* data, size_t size);
  virtual int Fsync(int fd);
  virtual int Rename(const char* from, const char* to);
};

struct ProfileFileOptions {
  // Key the file for this volume serial instead of the serial of the volume holding it.
  std::optional<uint32_t> volume_serial;
  // System calls for writing; nullptr for the real ones.
  FileOps* file_ops = nullptr;
};

// Writes `text` enciphered with `password` to `path`, replacing the file. The key is derived
// before any file is touched. Throws ECryptErrror, EVolumeSerialError or EProfileFileError.
void EncipherToFile(const std::string& path, const std::string& text, const std::string& password,
                    const ProfileFileOptions& options = {});

// Reads the whole file at `path` and returns it deciphered. A wrong password or a file from
// another volume gives bytes that are not a profile document; nothing is checked here.
std::string DecipherFile(const std::string& path, const std::string& password,
                         const ProfileFileOptions& options = {});

// The path a profile file is actually written to: a symbolic link is followed, so that saving
// replaces the file it points to rather than the link.
std::string ResolveProfilePath(const std::string& path);

// The folder whose volume keys the file at `path` (the folder of the resolved path).
std::string ProfileFolderOf(const std::string& path);

}  // namespace nummora
