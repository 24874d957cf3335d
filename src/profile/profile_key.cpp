#include "profile/profile_key.h"

namespace nummora {

ProfileKey::ProfileKey(std::string password, ProfileFormat format, const KdfParams& params)
    : password_(std::move(password)), format_(format), params_(params) {}

ProfileKey::ProfileKey(ProfileKey&&) noexcept = default;
ProfileKey& ProfileKey::operator=(ProfileKey&&) noexcept = default;
ProfileKey::~ProfileKey() = default;

const DerivedProfileKey& ProfileKey::KeyFor(uint32_t volume_serial) {
  if (!derived_ || derived_->volume_serial() != volume_serial)
    derived_ = DerivedProfileKey::WithNewSalt(password_.str(), volume_serial, params_);
  return *derived_;
}

void ProfileKey::Keep(std::unique_ptr<DerivedProfileKey> key) {
  derived_ = std::move(key);
}

std::string ProfileFormatText(const ProfileKey& key) {
  if (key.Format() == ProfileFormat::kLegacy)
    return "legacy (RC4 with a 40-bit key, no salt and no integrity check)";
  const KdfParams& p = key.Kept() ? key.Kept()->params() : key.Params();
  const std::string memory = p.memory_kib % 1024 == 0 ? std::to_string(p.memory_kib / 1024) + " MiB"
                                                      : std::to_string(p.memory_kib) + " KiB";
  return "strong (Argon2id with " + memory + " and " + std::to_string(p.passes) +
         (p.passes == 1 ? " pass" : " passes") + ", XChaCha20-Poly1305)";
}

}  // namespace nummora
