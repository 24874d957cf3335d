#include "profile/profile_open.h"

#include <cerrno>

#include "profile/document.h"

namespace nummora {

ProfileOpenResult OpenProfileFile(const std::string& path, const std::string& password,
                                  const ProfileFileOptions& options) {
  return OpenProfileFile(path, password, [&options](const std::string& p, const std::string& pw) {
    return DecipherFile(p, pw, options);
  });
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
      result.status = ProfileOpenStatus::kFileMissing;
      return result;
    }
    // The new reading replaces the last one, which is wiped with `plain`.
    text.swap(plain);
    SecureWipe(plain);
    if (text.empty()) {
      result.status = ProfileOpenStatus::kEmpty;
      return result;
    }
    if (!LooksLikeProfileDocument(text)) {
      SecureWipe(text);
      result.status = ProfileOpenStatus::kWrongPassword;
      return result;
    }
    if (HasProfileTrailer(text)) {
      result.status = ProfileOpenStatus::kOpened;
      return result;
    }
  }
  SecureWipe(text);
  result.status = ProfileOpenStatus::kDamaged;
  return result;
}

}  // namespace nummora
