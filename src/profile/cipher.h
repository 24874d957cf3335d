#pragma once
// The profile cipher: RC4 keyed from the MD5 digest of the password, a blank and the volume
// key suffix. The key is 40 bits wide as the classic CryptoAPI Base provider makes it: RC4
// keyed with 16 bytes, the first 5 bytes of the digest followed by 11 zero bytes. There is no
// salt and no nonce; the same password on the same volume always gives the same key stream.
#include <openssl/opensslv.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/errors.h"

namespace nummora {

// A failure of one of the cipher's steps. The messages name the step as the CryptoAPI calls
// it, so that a message reads the same on every platform.
class ECryptErrror : public NummoraError {
 public:
  using NummoraError::NummoraError;
};

inline constexpr const char* kCryptAcquireContextError = "CryptoAPI error during: CryptAcquireContext";
inline constexpr const char* kCryptCreateHashError = "CryptoAPI error during: CryptCreateHash";
inline constexpr const char* kCryptHashDataError = "CryptoAPI error during: CryptHashData";
inline constexpr const char* kCryptDeriveKeyError = "CryptoAPI error during: CryptDeriveKey";
inline constexpr const char* kCryptEncryptError = "CryptoAPI error during: CryptEncrypt";
inline constexpr const char* kCryptDecryptError = "CryptoAPI error during: CryptDecrypt";

// The volume key suffix: serial * factor rounded to the nearest integer (halves to even), plus
// the addend, in upper-case hexadecimal with at least eight digits. These two constants are
// part of every existing profile file's key: they must never change.
inline constexpr double kVolumeKeyFactor = 1.6180339887;
inline constexpr uint64_t kVolumeKeyAddend = 755;
std::string VolumeKeySuffix(uint32_t volume_serial);

// Chunk size of one read or write of the profile file.
inline constexpr size_t kCipherChunkSize = 261120;

// An RC4 key stream for one read or one write of a profile file. The stream runs on from one
// Apply call to the next, so a text may be processed in chunks of any size. The key state is
// wiped when the object goes.
class ProfileCipher {
 public:
  // Derives the key from the password and the volume serial. Throws ECryptErrror when a step
  // of the derivation fails.
  ProfileCipher(const std::string& password, uint32_t volume_serial);
  ~ProfileCipher();
  ProfileCipher(const ProfileCipher&) = delete;
  ProfileCipher& operator=(const ProfileCipher&) = delete;

  // Enciphers or deciphers (the same operation) `size` bytes in place.
  void Apply(char* data, size_t size);

  // The 16 key bytes, for tests of the derivation.
  static void DeriveKey(const std::string& password, uint32_t volume_serial, unsigned char key[16]);

 private:
  struct State;
  State* state_;
};

}  // namespace nummora
