#include "profile/strong_format.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>

#include "profile/cipher.h"

namespace nummora {
namespace {

// Header layout (docs/profile-format.md).
constexpr size_t kVersionAt = 8;
constexpr size_t kKdfAt = 9;
constexpr size_t kCipherAt = 10;
constexpr size_t kReservedAt = 11;
constexpr size_t kMemoryAt = 12;
constexpr size_t kPassesAt = 16;
constexpr size_t kLanesAt = 20;
constexpr size_t kSaltAt = 24;
constexpr size_t kNonceAt = 40;
constexpr size_t kKeyCheckAt = 64;
constexpr size_t kChecksumAt = 80;
constexpr size_t kNonceSize = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr size_t kCheckSize = 16;
constexpr size_t kCipherKeySize = crypto_aead_xchacha20poly1305_ietf_KEYBYTES;
constexpr size_t kDerivedSize = 64;

static_assert(kNonceAt + kNonceSize == kKeyCheckAt);
static_assert(kChecksumAt + kCheckSize == kStrongHeaderSize);
static_assert(crypto_aead_xchacha20poly1305_ietf_ABYTES == kStrongTagSize);
static_assert(crypto_pwhash_argon2id_SALTBYTES == sizeof(ProfileSalt));

void StartSodium() {
  if (sodium_init() < 0)
    throw EStrongCipherError("The cryptographic library libsodium could not be started.");
}

uint32_t ReadLe32(const unsigned char* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void WriteLe32(unsigned char* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}

const unsigned char* Bytes(std::string_view s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

// BLAKE2b with a 16-byte result, keyed or not.
void Blake2b128(unsigned char out[kCheckSize], const unsigned char* data, size_t size,
                const unsigned char* key, size_t key_size) {
  crypto_generichash(out, kCheckSize, data, size, key, key_size);
}

// The key check: BLAKE2b-128 of the header's first 64 bytes, keyed with the second half of the
// derived key. It tells a wrong key from a damaged content.
void KeyCheck(unsigned char out[kCheckSize], const unsigned char* header, const unsigned char* derived) {
  Blake2b128(out, header, kKeyCheckAt, derived + kCipherKeySize, kDerivedSize - kCipherKeySize);
}

}  // namespace

bool KdfParamsInBounds(const KdfParams& p) {
  if (p.memory_kib < kMinKdfParams.memory_kib || p.memory_kib > kMaxKdfMemoryKib) return false;
  if (p.passes < kMinKdfParams.passes || p.passes > kMaxKdfPasses) return false;
  return uint64_t{p.memory_kib} / 1024 * p.passes <= kMaxKdfWorkMibPasses;
}

bool IsStrongProfileFile(std::string_view bytes) {
  const size_t n = std::min(bytes.size(), kStrongMagic.size());
  int differing = 0;
  for (size_t i = 0; i < n; ++i) differing += static_cast<unsigned char>(bytes[i]) != kStrongMagic[i];
  if (bytes.size() >= kStrongMagic.size()) return differing <= 2;
  return bytes.size() >= 4 && differing == 0;
}

StrongFileCheck ReadStrongHeader(std::string_view file, StrongHeader& header) {
  header = StrongHeader{};
  if (file.size() > kVersionAt) header.version = static_cast<uint8_t>(file[kVersionAt]);
  if (file.size() > kVersionAt && header.version != kStrongVersion) return StrongFileCheck::kUnknownVersion;
  if (file.size() < kStrongOverhead) return StrongFileCheck::kCutShort;
  StartSodium();
  const unsigned char* h = Bytes(file);
  unsigned char checksum[kCheckSize];
  Blake2b128(checksum, h, kChecksumAt, nullptr, 0);
  if (std::memcmp(h, kStrongMagic.data(), kStrongMagic.size()) != 0 ||
      sodium_memcmp(checksum, h + kChecksumAt, kCheckSize) != 0)
    return StrongFileCheck::kHeaderBroken;
  header.params = {ReadLe32(h + kMemoryAt), ReadLe32(h + kPassesAt)};
  std::memcpy(header.salt.data(), h + kSaltAt, header.salt.size());
  if (h[kKdfAt] != kStrongKdfArgon2id13 || h[kCipherAt] != kStrongCipherXChaCha20Poly1305 ||
      h[kReservedAt] != 0 || ReadLe32(h + kLanesAt) != 1 || !KdfParamsInBounds(header.params))
    return StrongFileCheck::kUnsupported;
  if (file.size() - kStrongOverhead > kMaxStrongDocumentSize) return StrongFileCheck::kTooLarge;
  return StrongFileCheck::kOk;
}

std::string StrongFileProblem(StrongFileCheck check, std::string_view file) {
  switch (check) {
    case StrongFileCheck::kCutShort:
      return "The profile file is damaged: it is cut short.";
    case StrongFileCheck::kUnknownVersion:
      return "The profile file is damaged, or was written by a newer version of Nummora (file format "
             "version " +
             std::to_string(file.size() > kVersionAt ? static_cast<unsigned char>(file[kVersionAt]) : 0) +
             ").";
    case StrongFileCheck::kHeaderBroken:
      return "The profile file is damaged: its header does not hold.";
    case StrongFileCheck::kUnsupported:
      return "The profile file is damaged: its header names an unknown algorithm or key derivation "
             "parameters "
             "out of bounds.";
    case StrongFileCheck::kTooLarge:
      return "The profile file is damaged: it is larger than a profile can be.";
    case StrongFileCheck::kTagMismatch:
      return "The profile file is damaged: its content does not match its authentication tag.";
    case StrongFileCheck::kOk:
    case StrongFileCheck::kWrongKey:
      break;
  }
  return "The profile file is damaged.";
}

DerivedProfileKey::DerivedProfileKey(const std::string& password, uint32_t volume_serial,
                                     const KdfParams& params, const ProfileSalt& salt)
    : volume_serial_(volume_serial), params_(params), salt_(salt), bytes_(nullptr) {
  if (!KdfParamsInBounds(params)) throw EStrongCipherError("Key derivation parameters out of bounds.");
  StartSodium();
  // sodium_malloc locks the pages (mlock), puts guard pages around them and wipes them when freed.
  bytes_ = static_cast<unsigned char*>(sodium_malloc(kDerivedSize));
  if (bytes_ == nullptr) throw EStrongCipherError("No memory for the profile key.");
  // Reserved first, so that no copy of the material is left behind by a reallocation.
  const std::string suffix = VolumeKeySuffix(volume_serial);
  std::string material;
  material.reserve(password.size() + 1 + suffix.size());
  material += password;
  material += ' ';
  material += suffix;
  const int rc = crypto_pwhash(bytes_, kDerivedSize, material.data(), material.size(), salt_.data(),
                               params.passes, size_t{params.memory_kib} * 1024, crypto_pwhash_ALG_ARGON2ID13);
  sodium_memzero(material.data(), material.size());
  if (rc != 0) {
    sodium_free(bytes_);
    throw EStrongCipherError("The profile key could not be derived: " +
                             std::to_string(params.memory_kib / 1024) + " MiB of memory could not be had.");
  }
}

DerivedProfileKey::~DerivedProfileKey() {
  sodium_free(bytes_);
}

std::unique_ptr<DerivedProfileKey> DerivedProfileKey::WithNewSalt(const std::string& password,
                                                                  uint32_t volume_serial,
                                                                  const KdfParams& params) {
  StartSodium();
  ProfileSalt salt;
  randombytes_buf(salt.data(), salt.size());
  return std::make_unique<DerivedProfileKey>(password, volume_serial, params, salt);
}

std::string SealProfile(std::string_view text, const DerivedProfileKey& key) {
  if (text.size() > kMaxStrongDocumentSize)
    throw EStrongCipherError("The profile is too large to be written.");
  StartSodium();
  std::string file(kStrongOverhead + text.size(), '\0');
  auto* h = reinterpret_cast<unsigned char*>(file.data());
  std::memcpy(h, kStrongMagic.data(), kStrongMagic.size());
  h[kVersionAt] = kStrongVersion;
  h[kKdfAt] = kStrongKdfArgon2id13;
  h[kCipherAt] = kStrongCipherXChaCha20Poly1305;
  h[kReservedAt] = 0;
  WriteLe32(h + kMemoryAt, key.params_.memory_kib);
  WriteLe32(h + kPassesAt, key.params_.passes);
  WriteLe32(h + kLanesAt, 1);
  std::memcpy(h + kSaltAt, key.salt_.data(), key.salt_.size());
  randombytes_buf(h + kNonceAt, kNonceSize);
  KeyCheck(h + kKeyCheckAt, h, key.bytes_);
  Blake2b128(h + kChecksumAt, h, kChecksumAt, nullptr, 0);
  unsigned long long written = 0;
  crypto_aead_xchacha20poly1305_ietf_encrypt(h + kStrongHeaderSize, &written, Bytes(text), text.size(), h,
                                             kStrongHeaderSize, nullptr, h + kNonceAt, key.bytes_);
  return file;
}

StrongFileCheck UnsealProfile(std::string_view file, const DerivedProfileKey& key, std::string& text) {
  text.clear();
  StrongHeader header;
  const StrongFileCheck check = ReadStrongHeader(file, header);
  if (check != StrongFileCheck::kOk) return check;
  const unsigned char* h = Bytes(file);
  unsigned char expected[kCheckSize];
  KeyCheck(expected, h, key.bytes_);
  if (header.params != key.params_ || header.salt != key.salt_ ||
      sodium_memcmp(expected, h + kKeyCheckAt, kCheckSize) != 0)
    return StrongFileCheck::kWrongKey;
  text.resize(file.size() - kStrongOverhead);
  unsigned long long size = 0;
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(
          reinterpret_cast<unsigned char*>(text.data()), &size, nullptr, h + kStrongHeaderSize,
          file.size() - kStrongHeaderSize, h, kStrongHeaderSize, h + kNonceAt, key.bytes_) != 0) {
    sodium_memzero(text.data(), text.size());
    text.clear();
    return StrongFileCheck::kTagMismatch;
  }
  return StrongFileCheck::kOk;
}

}  // namespace nummora
