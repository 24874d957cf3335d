#include "accounts/account_editor_rules.h"

#include <span>

#include "common/number_text.h"
#include "common/secure_memory.h"
#include "profile/profile_text.h"

namespace nummora {

namespace {
// Optional leading blanks, an optional sign and digits only: a whole number, however large.
bool IsWholeNumberText(const std::string& text) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return false;
  if (text[i] == '+' || text[i] == '-') ++i;
  if (i >= text.size()) return false;
  for (; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

// The first text of the chosen page, in the order of the page, that cannot be kept in the
// profile.
std::optional<EditorRefusal> TextRefusal(const AccountEditorInput& input) {
  struct PageField {
    EditorField field;
    const char* label;
    const std::string& text;
  };
  const PageField egold[] = {{EditorField::eName, "Account name", input.egoldName},
                             {EditorField::eID, "E-gold #", input.egoldId},
                             {EditorField::ePass, "Passphrase", input.egoldPass}};
  const PageField lr[] = {{EditorField::eLRID, "Account #", input.lrId},
                          {EditorField::eLRPass, "Password", input.lrPass},
                          {EditorField::eLRName, "Account name", input.lrName},
                          {EditorField::eLRAPI, "API name", input.lrApiName}};
  const std::span<const PageField> page = input.type == AccountType::LibertyReserve
                                              ? std::span<const PageField>(lr)
                                              : std::span<const PageField>(egold);
  for (const PageField& f : page) {
    if (auto problem = FieldTextProblem(f.label, f.text)) return EditorRefusal{f.field, *problem};
  }
  return std::nullopt;
}
}  // namespace

AccountEditorInput::~AccountEditorInput() {
  SecureWipe(egoldPass);
  SecureWipe(lrPass);
}

std::optional<EditorRefusal> CheckAccountEditor(
    const AccountEditorInput& input, const std::function<bool(const std::string&)>& accountExists) {
  const std::string* number = nullptr;
  EditorField numberField = EditorField::eID;
  if (input.type == AccountType::LibertyReserve) {
    if (input.lrId.empty()) return EditorRefusal{EditorField::eLRID, "Please enter Liberty Reserve account!"};
    if (input.lrApiName.empty()) return EditorRefusal{EditorField::eLRAPI, "Please enter API name!"};
    number = &input.lrId;
    numberField = EditorField::eLRID;
  } else {
    if (StrToIntDef(input.egoldId, 0) == 0)
      return EditorRefusal{EditorField::eID, "Wrong e-gold account number!"};
    number = &input.egoldId;
  }
  if (auto refusal = TextRefusal(input)) return refusal;
  if (input.isNew && accountExists && accountExists(*number))
    return EditorRefusal{numberField, "The account already exists!"};
  if (input.every) {
    int64_t minutes = 0;
    const bool readable = TryStrToInt64(input.minutes, minutes);
    if ((readable && (minutes < 0 || minutes > 65535)) || (!readable && IsWholeNumberText(input.minutes)))
      return EditorRefusal{EditorField::eMin, kMinutesOutOfRange};
  }
  return std::nullopt;
}

uint16_t EditorRefreshMinutes(bool every, const std::string& minutes) {
  if (!every) return 0;
  int64_t value = 0;
  if (!TryStrToInt64(minutes, value)) return 10;
  if (value < 0 || value > 65535) return 10;
  return static_cast<uint16_t>(value);
}

}  // namespace nummora
