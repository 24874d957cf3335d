#pragma once
// What a profile is written with for the run: its password, its file format, and, for the strong
// format, the key derived from the password (kept so that saves do not pay the key derivation
// again; wiped when the object goes).
#include <cstdint>
#include <memory>
#include <string>

#include "common/secure_memory.h"
#include "profile/strong_format.h"

namespace nummora {

enum class ProfileFormat {
  kLegacy,  // RC4 with a 40-bit key, no salt, nonce or integrity check (cipher.h)
  kStrong,  // Argon2id and XChaCha20-Poly1305 (strong_format.h)
};

class ProfileKey {
 public:
  ProfileKey() = default;
  // `params` are those new keys are derived with (a changed password, another volume).
  ProfileKey(std::string password, ProfileFormat format, const KdfParams& params = kDefaultKdfParams);
  ProfileKey(ProfileKey&&) noexcept;
  ProfileKey& operator=(ProfileKey&&) noexcept;
  ~ProfileKey();

  const std::string& Password() const { return password_.str(); }
  ProfileFormat Format() const { return format_; }
  const KdfParams& Params() const { return params_; }

  // The derived key for a file on the volume `volume_serial`: the one kept when it was made for
  // that volume, otherwise a new one with a fresh salt, which is then kept. Strong format only.
  const DerivedProfileKey& KeyFor(uint32_t volume_serial);
  // Keeps the key a strong file was opened with: saves reuse its salt and parameters.
  void Keep(std::unique_ptr<DerivedProfileKey> key);
  // The key kept, or nullptr.
  const DerivedProfileKey* Kept() const { return derived_.get(); }

 private:
  SecretString password_;
  ProfileFormat format_ = ProfileFormat::kLegacy;
  KdfParams params_ = kDefaultKdfParams;
  std::unique_ptr<DerivedProfileKey> derived_;
};

// The format and its parameters in words, for `nummora-cli profile show`: for a strong key those
// of the key kept (the file's), else those new keys get.
std::string ProfileFormatText(const ProfileKey& key);

}  // namespace nummora
