#include "profile/profile_open.h"

#include <cerrno>

#include "profile/document.h"

namespace nummora {

ProfileOpenResult OpenProfileFile(const std::string& path, const std::string& password,
                                  const ProfileFileOptions& options) {
  ProfileOpenResult result;
  for (int reading = 0; reading <= kProfileRereadings; ++reading) {
    try {
      result.text = SecretString(DecipherFile(path, password, options));
    } catch (const EProfileFileError& e) {
      if (e.error_number() != ENOENT) throw;
      result.status = ProfileOpenStatus::kFileMissing;
      return result;
    }
    if (result.text.str().empty()) {
      result.status = ProfileOpenStatus::kEmpty;
      return result;
    }
    if (!LooksLikeProfileDocument(result.text.str())) {
      SecureWipe(result.text.str());
      result.status = ProfileOpenStatus::kWrongPassword;
      return result;
    }
    if (HasProfileTrailer(result.text.str())) {
      result.status = ProfileOpenStatus::kOpened;
      return result;
    }
  }
  SecureWipe(result.text.str());
  result.status = ProfileOpenStatus::kDamaged;
  return result;
}

}  // namespace nummora
