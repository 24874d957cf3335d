// RC4 is only offered through the legacy provider in OpenSSL 3's EVP layer; its low-level
// functions are still part of libcrypto and need no provider, so they are used here.
#define OPENSSL_API_COMPAT 0x10100000L
#include "profile/cipher.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rc4.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/secure_memory.h"

namespace nummora {

struct ProfileCipher::State {
  RC4_KEY key;
};

std::string VolumeKeySuffix(uint32_t volume_serial) {
  // nearbyint rounds halves to even in the default rounding mode.
  const double product = std::nearbyint(static_cast<double>(volume_serial) * kVolumeKeyFactor);
  const uint64_t sum = static_cast<uint64_t>(product) + kVolumeKeyAddend;
  char text[24];
  std::snprintf(text, sizeof text, "%08llX", static_cast<unsigned long long>(sum));
  return text;
}

void ProfileCipher::DeriveKey(const std::string& password, uint32_t volume_serial, unsigned char key[16]) {
  std::string material = password;
  material += ' ';
  material += VolumeKeySuffix(volume_serial);

  EVP_MD* md5 = EVP_MD_fetch(nullptr, "MD5", nullptr);
  if (md5 == nullptr) {
    SecureWipe(material);
    throw ECryptErrror(kCryptAcquireContextError);
  }
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  const char* failure = nullptr;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digest_size = 0;
  if (ctx == nullptr || EVP_DigestInit_ex(ctx, md5, nullptr) != 1) {
    failure = kCryptCreateHashError;
  } else if (EVP_DigestUpdate(ctx, material.data(), material.size()) != 1) {
    failure = kCryptHashDataError;
  } else if (EVP_DigestFinal_ex(ctx, digest, &digest_size) != 1 || digest_size < 5) {
    failure = kCryptDeriveKeyError;
  }
  EVP_MD_CTX_free(ctx);
  EVP_MD_free(md5);
  SecureWipe(material);
  if (failure != nullptr) {
    OPENSSL_cleanse(digest, sizeof digest);
    throw ECryptErrror(failure);
  }
  // A 40-bit key: five digest bytes, the other eleven bytes zero.
  std::memset(key, 0, 16);
  std::memcpy(key, digest, 5);
  OPENSSL_cleanse(digest, sizeof digest);
}

ProfileCipher::ProfileCipher(const std::string& password, uint32_t volume_serial) : state_(new State) {
  unsigned char key[16];
  try {
    DeriveKey(password, volume_serial, key);
  } catch (...) {
    delete state_;
    throw;
  }
  RC4_set_key(&state_->key, 16, key);
  OPENSSL_cleanse(key, sizeof key);
}

ProfileCipher::~ProfileCipher() {
  OPENSSL_cleanse(&state_->key, sizeof state_->key);
  delete state_;
}

void ProfileCipher::Apply(char* data, size_t size) {
  if (size == 0) return;
  auto* bytes = reinterpret_cast<unsigned char*>(data);
  RC4(&state_->key, size, bytes, bytes);
}

}  // namespace nummora
