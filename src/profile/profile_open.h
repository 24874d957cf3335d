#pragma once
// Opening a profile file in either format: decipher it, and tell a wrong password (or another
// volume), an empty file and a damaged one apart from a good one. The login, the command line
// and the tests all open profiles through here.
#include <functional>
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
  kWrongPassword,  // wrong password or keyed for another volume (legacy: does not start with
                   // "<?nmr"; strong: the key check does not hold)
  kDamaged,        // legacy: starts right but lacks "<?end>", also after three more readings;
                   // strong: the header, the tag or the document inside does not hold
};

struct ProfileOpenResult {
  ProfileOpenStatus status = ProfileOpenStatus::kEmpty;
  SecretString text;    // the deciphered document when opened; empty otherwise
  ProfileKey key;       // when opened: the password, the file's format and, if strong, its key
  std::string message;  // for kEmpty and kDamaged: what the user is told
};

// How many more times a file without its trailer is read before it counts as damaged (it may
// still have been being written).
inline constexpr int kProfileRereadings = 3;

// Reads and deciphers a profile file. Throws EProfileFileError with ENOENT when there is no
// file at the path.
using ProfileReader = std::function<std::string(const std::string& path, const std::string& password)>;

// Deciphers the file at `path` with `password` and checks it. Only a file that does not exist
// counts as missing; every other error (no access, a folder in the way, no volume serial, the
// cipher, no memory for the key derivation) is thrown as EProfileFileError, EVolumeSerialError,
// ECryptErrror or EStrongCipherError. Every deciphered text that is not handed back is wiped.
ProfileOpenResult OpenProfileFile(const std::string& path, const std::string& password,
                                  const ProfileFileOptions& options = {});
// The same for a legacy file with another way of reading it (tests: a file that is still being
// written).
ProfileOpenResult OpenProfileFile(const std::string& path, const std::string& password,
                                  const ProfileReader& read);
// Checks the bytes of a strong file read from the volume `volume_serial`.
ProfileOpenResult OpenStrongProfile(std::string_view bytes, const std::string& password,
                                    uint32_t volume_serial);

}  // namespace nummora
