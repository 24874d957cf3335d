// Fuzz target for the profile document reader: any text must either load or be refused with
// EProfileDocumentError, never crash or hang; what loads is written again and read back (the
// format has no escaping: the writer refuses a model holding tags that would read back
// differently).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/format_settings.h"
#include "profile/document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nummora;
  static const FormatSettings regional = UsEnglishFormatSettings();
  const std::string text(reinterpret_cast<const char*>(data), size);
  ProfileModel model;
  try {
    LoadProfile(model, text, regional);
  } catch (const EProfileDocumentError&) {
    return 0;
  }
  if (model.AccountCount() > ProfileModel::kMaxAccounts) std::abort();
  for (int i = 0; i < model.AccountCount(); ++i) {
    if (model.Account(i).Index != i || model.AccountOfRow(i) != i) std::abort();
  }
  std::string saved;
  try {
    saved = BuildProfileDocument(model, true, regional);
  } catch (const EProfileDocumentError&) {
    return 0;  // texts holding tags that would read back differently, or too long to write
  }
  ProfileModel again;
  try {
    LoadProfile(again, saved, regional);
  } catch (const EProfileDocumentError&) {
  }
  return 0;
}
