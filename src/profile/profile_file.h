#pragma once
// Reading and writing the enciphered profile file, in either format: the legacy one holds the
// profile document enciphered byte for byte with RC4 (no header, no checksum, no padding); the
// strong one is described in strong_format.h and docs/profile-format.md.
//
// Writing never damages the existing file: it is replaced atomically (platform/atomic_file.h),
// by a new file of mode 0600. Any failure on the way leaves the old file as it was.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/errors.h"
#include "platform/atomic_file.h"
#include "profile/profile_key.h"

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

struct ProfileFileOptions {
  // Key the file for this volume serial instead of the serial of the volume holding it.
  std::optional<uint32_t> volume_serial;
  // System calls for writing; nullptr for the real ones.
  FileOps* file_ops = nullptr;
};

// Writes `text` enciphered with `password` to `path` in the legacy format, replacing the file.
// The key is derived before any file is touched. Throws ECryptErrror, EVolumeSerialError or
// EProfileFileError.
void EncipherToFile(const std::string& path, const std::string& text, const std::string& password,
                    const ProfileFileOptions& options = {});

// Reads the whole file at `path` and returns it deciphered as a legacy file. A wrong password
// or a file from another volume gives bytes that are not a profile document; nothing is checked
// here.
std::string DecipherFile(const std::string& path, const std::string& password,
                         const ProfileFileOptions& options = {});
// The same for bytes already read from a file on the volume `volume_serial`.
std::string DecipherLegacyBytes(std::string_view bytes, const std::string& password, uint32_t volume_serial);

// Writes `text` to `path` in the key's format, replacing the file atomically. For the strong
// format the key derived for the file's volume is reused when the key holds it, and derived
// with a fresh salt otherwise; every write has a fresh nonce. Throws ECryptErrror,
// EStrongCipherError, EVolumeSerialError or EProfileFileError; none of them touches the file.
void WriteProfileFile(const std::string& path, const std::string& text, ProfileKey& key,
                      const ProfileFileOptions& options = {});

// The whole file as it is on disk. Throws EProfileFileError (ENOENT for a missing file).
std::string ReadProfileFileBytes(const std::string& path);

// The volume serial that keys the file at `path`: the one of the options, else the serial of
// the volume that holds the file's folder. Throws EVolumeSerialError.
uint32_t ProfileVolumeSerial(const std::string& path, const ProfileFileOptions& options);

// The path a profile file is actually written to: a symbolic link is followed, so that saving
// replaces the file it points to rather than the link.
std::string ResolveProfilePath(const std::string& path);

// The folder whose volume keys the file at `path` (the folder of the resolved path).
std::string ProfileFolderOf(const std::string& path);

}  // namespace nummora
