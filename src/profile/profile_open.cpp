#include "profile/profile_open.h"

#include <cerrno>

#include "profile/document.h"

namespace nummora {
namespace {

ProfileOpenResult Refused(ProfileOpenStatus status, std::string message) {
  ProfileOpenResult result;
  result.status = status;
  result.message = std::move(message);
  return result;
}

}  // namespace

ProfileOpenResult OpenProfileFile(const std::string& path, const std::string& password,
                                  const ProfileFileOptions& options) {
  std::string bytes;
  try {
    bytes = ReadProfileFileBytes(path);
  } catch (const EProfileFileError& e) {
    if (e.error_number() != ENOENT) throw;
    return Refused(ProfileOpenStatus::kFileMissing, kDataFileNotFound);
  }
  if (IsStrongProfileFile(bytes))
    return OpenStrongProfile(bytes, password, ProfileVolumeSerial(path, options));

  // A legacy file: the first reading is the one just made, later ones read the file again.
  bool first = true;
  ProfileOpenResult result =
      OpenProfileFile(path, password, [&](const std::string& p, const std::string& pw) {
        if (!first) return DecipherFile(p, pw, options);
        first = false;
        return DecipherLegacyBytes(bytes, pw, ProfileVolumeSerial(p, options));
      });
  if (result.status == ProfileOpenStatus::kOpened) result.key = ProfileKey(password, ProfileFormat::kLegacy);
  return result;
}

ProfileOpenResult OpenProfileFile(const std::string& path, const std::string& password,
                                  const ProfileReader& read) {
  ProfileOpenResult result;
  std::string& text = result.text.str();
  for (int reading = 0; reading <= kProfileRereadings; ++reading) {
    std::string plain;
    try {
      plain = read(path, password);
    } catch (const EProfileFileError& e) {
      if (e.error_number() != ENOENT) throw;
      return Refused(ProfileOpenStatus::kFileMissing, kDataFileNotFound);
    }
    // The new reading replaces the last one, which is wiped with `plain`.
    text.swap(plain);
    SecureWipe(plain);
    if (text.empty()) return Refused(ProfileOpenStatus::kEmpty, kErrorLoadingProfile);
    if (!LooksLikeProfileDocument(text)) {
      SecureWipe(text);
      return Refused(ProfileOpenStatus::kWrongPassword, "");
    }
    if (HasProfileTrailer(text)) {
      result.status = ProfileOpenStatus::kOpened;
      return result;
    }
  }
  SecureWipe(text);
  return Refused(ProfileOpenStatus::kDamaged, kFileIsDamaged);
}

ProfileOpenResult OpenStrongProfile(std::string_view bytes, const std::string& password,
                                    uint32_t volume_serial) {
  StrongHeader header;
  StrongFileCheck check = ReadStrongHeader(bytes, header);
  if (check != StrongFileCheck::kOk)
    return Refused(ProfileOpenStatus::kDamaged, StrongFileProblem(check, bytes));
  auto key = std::make_unique<DerivedProfileKey>(password, volume_serial, header.params, header.salt);
  ProfileOpenResult result;
  std::string& text = result.text.str();
  check = UnsealProfile(bytes, *key, text);
  if (check == StrongFileCheck::kWrongKey) return Refused(ProfileOpenStatus::kWrongPassword, "");
  if (check != StrongFileCheck::kOk)
    return Refused(ProfileOpenStatus::kDamaged, StrongFileProblem(check, bytes));
  if (text.empty()) return Refused(ProfileOpenStatus::kEmpty, kErrorLoadingProfile);
  // The content is what the program wrote; one that is not a whole document was written so.
  if (!LooksLikeProfileDocument(text) || !HasProfileTrailer(text)) {
    SecureWipe(text);
    return Refused(ProfileOpenStatus::kDamaged,
                   "The profile file is damaged: it does not hold a profile document.");
  }
  result.status = ProfileOpenStatus::kOpened;
  result.key = ProfileKey(password, ProfileFormat::kStrong);
  result.key.Keep(std::move(key));
  return result;
}

}  // namespace nummora
