#pragma once
// Creating a profile that already holds accounts, for scripted set-ups such as the demo
// profile of `make run`: the same file in the data folder and the same settings-store key as a
// profile made in the new-profile window, with the given accounts written into it.
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/format_settings.h"
#include "profile/model.h"
#include "profile/profile_key.h"

namespace nummora {

class SettingsStore;

// A profile that cannot be created; the message says why. Nothing was recorded or written.
class EProfileSetupError : public NummoraError {
 public:
  using NummoraError::NummoraError;
};

// Reads one account written "TYPE:ID:LABEL:SECRET" for e-gold or "TYPE:ID:LABEL:SECRET:APINAME"
// for Liberty Reserve. TYPE is "egold" (or "e-gold", "0") or "lr" (or "libertyreserve", "1").
// The e-gold pass phrase is everything after the third colon, so it may hold colons and blanks;
// a Liberty Reserve API name is the part after the last colon. Throws EProfileSetupError for a
// missing part, an unknown type or an empty ID; the message never repeats the secret.
AccountRecord ParseAccountSpec(const std::string& spec);

// Creates the profile `name` holding `accounts` (in this order; each marked "Update balance at
// startup" when `update_at_startup`). Refuses, before anything is written, a name that cannot
// be a profile name, a password shorter than 3 characters, a profile that exists already, a
// profile file of that name already in the data folder, two accounts of the same ID, a text
// holding "<" or ">" (the message names the field), more accounts than a new profile may hold,
// and accounts the profile document cannot hold. If
// writing the accounts fails after the profile was registered, the key and the file are
// removed again. The file is written in `format`.
void CreateProfileWithAccounts(SettingsStore& store, const std::string& name, const std::string& password,
                               const std::string& hint, const std::vector<AccountRecord>& accounts,
                               bool update_at_startup, const FormatSettings& regional,
                               ProfileFormat format = ProfileFormat::kStrong);

}  // namespace nummora
