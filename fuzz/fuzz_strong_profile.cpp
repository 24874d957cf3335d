// Fuzz target for the profile file reader: the choice between the two formats, the strong
// format's header checks and its deciphering. Any bytes must be read or refused, never crash or
// hang, and no key is ever derived from a header: the target derives one key, once, with the
// smallest parameters a reader accepts and a fixed salt (the seeds that open were written with
// it), and deciphers every input with that key.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "profile/document.h"
#include "profile/profile_file.h"
#include "profile/strong_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nummora;
  static const ProfileSalt salt = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  static const DerivedProfileKey key("fuzz-password", 0x1234ABCDu, kMinKdfParams, salt);
  const std::string_view file(reinterpret_cast<const char*>(data), size);

  if (!IsStrongProfileFile(file)) {
    const std::string text = DecipherLegacyBytes(file, "fuzz-password", 0x1234ABCDu);
    if (text.size() != file.size()) std::abort();
    (void)LooksLikeProfileDocument(text);
    (void)HasProfileTrailer(text);
    return 0;
  }
  StrongHeader header;
  StrongFileCheck check = ReadStrongHeader(file, header);
  if (check != StrongFileCheck::kOk) {
    if (StrongFileProblem(check, file).rfind("The profile file is damaged", 0) != 0) std::abort();
    return 0;
  }
  if (!KdfParamsInBounds(header.params)) std::abort();
  std::string text;
  check = UnsealProfile(file, key, text);
  if (check != StrongFileCheck::kOk) {
    if (!text.empty()) std::abort();
    return 0;
  }
  // What opens was written with this key: written again, it opens to the same text.
  if (header.params != key.params() || header.salt != key.salt()) std::abort();
  std::string again;
  if (UnsealProfile(SealProfile(text, key), key, again) != StrongFileCheck::kOk || again != text)
    std::abort();
  return 0;
}
