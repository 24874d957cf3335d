#pragma once
// Opening a profile file as the login does: decipher it, and tell a wrong password, an empty
// file and a file cut short apart from a good one.
#include <string>

#include "common/secure_memory.h"
#include "profile/profile_file.h"

namespace nummora {

inline constexpr const char* kDataFileNotFound = "Data file not found";
inline constexpr const char* kErrorLoadingProfile = "Error loading profile";
inline constexpr const char* kFileIsDamaged = "File is damaged";

enum class ProfileOpenStatus {
  kOpened,         // `text` holds the document
  kFileMissing,    // no file at the path
  kEmpty,          // the file deciphers to nothing
  kWrongPassword,  // does not start with "<?nmr": wrong password or keyed for another volume
  kDamaged,        // starts right but lacks "<?end>", also after three more readings
};

struct ProfileOpenResult {
  ProfileOpenStatus status = ProfileOpenStatus::kEmpty;
  SecretString text;  // the deciphered document when opened; empty otherwise
};

// How many more times a file without its trailer is read before it counts as damaged (it may
// still have been being written).
inline constexpr int kProfileRereadings = 3;

// Deciphers the file at `path` with `password` and checks it. Errors other than a missing file
// (no access, no volume serial, the cipher) are thrown as EProfileFileError,
// EVolumeSerialError or ECryptErrror.
ProfileOpenResult OpenProfileFile(const std::string& path, const std::string& password,
                                  const ProfileFileOptions& options = {});

}  // namespace nummora
