#pragma once
// The strong profile file format: a 96-byte header, then the profile document enciphered with
// XChaCha20-Poly1305 under a key derived with Argon2id from the password, a blank and the volume
// key suffix (the same key material as the legacy format), then the 16-byte authentication tag.
// The header is authenticated with the document. docs/profile-format.md describes every byte.
//
// Every call into libsodium is in strong_format.cpp.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/errors.h"

namespace nummora {

// libsodium could not be started, or a key could not be derived or kept (no memory).
class EStrongCipherError : public NummoraError {
 public:
  using NummoraError::NummoraError;
};

// The first eight bytes of a strong profile file.
inline constexpr std::array<unsigned char, 8> kStrongMagic = {0x89, 'N', 'M', 'R', '\r', '\n', 0x1A, '\n'};
inline constexpr uint8_t kStrongVersion = 1;
inline constexpr uint8_t kStrongKdfArgon2id13 = 1;
inline constexpr uint8_t kStrongCipherXChaCha20Poly1305 = 1;
inline constexpr size_t kStrongHeaderSize = 96;
inline constexpr size_t kStrongTagSize = 16;
inline constexpr size_t kStrongOverhead = kStrongHeaderSize + kStrongTagSize;
// The longest document the format holds; a larger file is refused before anything is derived.
inline constexpr size_t kMaxStrongDocumentSize = size_t{64} << 20;

// Argon2id parameters: memory in KiB and passes (one lane).
struct KdfParams {
  uint32_t memory_kib = 0;
  uint32_t passes = 0;
  friend bool operator==(const KdfParams&, const KdfParams&) = default;
};

// What new keys are derived with: about half a second of one core of the reference machine
// (docs/profile-format.md gives the measurements).
inline constexpr KdfParams kDefaultKdfParams{131072, 4};
// The bounds a reader accepts, so that a hostile header can neither make the program allocate
// more than 1 GiB nor run for more than a few seconds: memory 8 MiB to 1 GiB, 1 to 16 passes,
// and memory (MiB) times passes at most 4096 (eight times the default work).
inline constexpr KdfParams kMinKdfParams{8192, 1};
inline constexpr uint32_t kMaxKdfMemoryKib = 1048576;
inline constexpr uint32_t kMaxKdfPasses = 16;
inline constexpr uint64_t kMaxKdfWorkMibPasses = 4096;
bool KdfParamsInBounds(const KdfParams& params);

using ProfileSalt = std::array<unsigned char, 16>;

struct StrongHeader {
  uint8_t version = 0;
  KdfParams params;
  ProfileSalt salt{};
};

// The outcome of reading a strong file, from the header to the tag.
enum class StrongFileCheck {
  kOk,
  kCutShort,        // shorter than a header and a tag
  kUnknownVersion,  // a version byte this program does not read
  kHeaderBroken,    // the header checksum does not hold
  kUnsupported,     // an unknown algorithm, a reserved byte set, parameters out of bounds
  kTooLarge,        // longer than the longest document
  kWrongKey,        // the key check does not hold: a wrong password or another volume
  kTagMismatch,     // the content does not match its authentication tag
};

// Whether a file's bytes are in the strong format: they begin with the magic. A file whose first
// eight bytes differ from the magic in at most two places, or a file of 4 to 7 bytes that begins
// like the magic, counts as well: it is a damaged strong file, refused as such rather than read
// as a legacy file (a legacy profile, at least 11 bytes long, matches this by chance with a
// probability below 2^-40).
bool IsStrongProfileFile(std::string_view bytes);

// Reads and checks the header (version, checksum, algorithms, bounds, length). Needs no key.
StrongFileCheck ReadStrongHeader(std::string_view file, StrongHeader& header);

// The message the user sees for a check other than kOk and kWrongKey; begins with
// "The profile file is damaged".
std::string StrongFileProblem(StrongFileCheck check, std::string_view file);

// A key derived from a password for one volume, salt and set of parameters: 64 bytes in memory
// that is locked (never swapped out), guarded and wiped when the object goes.
class DerivedProfileKey {
 public:
  // Argon2id over the password, a blank and the volume key suffix. Throws EStrongCipherError
  // when the parameters are out of bounds or the memory cannot be had.
  DerivedProfileKey(const std::string& password, uint32_t volume_serial, const KdfParams& params,
                    const ProfileSalt& salt);
  ~DerivedProfileKey();
  DerivedProfileKey(const DerivedProfileKey&) = delete;
  DerivedProfileKey& operator=(const DerivedProfileKey&) = delete;

  // The same with a new random salt.
  static std::unique_ptr<DerivedProfileKey> WithNewSalt(const std::string& password, uint32_t volume_serial,
                                                        const KdfParams& params);

  uint32_t volume_serial() const { return volume_serial_; }
  const KdfParams& params() const { return params_; }
  const ProfileSalt& salt() const { return salt_; }

 private:
  friend std::string SealProfile(std::string_view text, const DerivedProfileKey& key);
  friend StrongFileCheck UnsealProfile(std::string_view file, const DerivedProfileKey& key,
                                       std::string& text);

  uint32_t volume_serial_;
  KdfParams params_;
  ProfileSalt salt_;
  unsigned char* bytes_;  // the cipher key (32 bytes), then the key of the key check (32 bytes)
};

// The bytes of a strong file holding `text`, with a fresh random nonce. Throws
// EStrongCipherError for a text longer than kMaxStrongDocumentSize.
std::string SealProfile(std::string_view text, const DerivedProfileKey& key);

// Deciphers a strong file with a key derived from its header's salt and parameters. On kOk
// `text` holds the document; otherwise it is empty (wiped).
StrongFileCheck UnsealProfile(std::string_view file, const DerivedProfileKey& key, std::string& text);

}  // namespace nummora
