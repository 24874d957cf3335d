#include "profile/profile_setup.h"

#include <filesystem>
#include <set>

#include "common/ascii_text.h"
#include "common/secure_memory.h"
#include "platform/settings_store.h"
#include "profile/document.h"
#include "profile/login_flow.h"
#include "profile/profile_settings.h"
#include "profile/profile_text.h"

namespace nummora {

namespace {

AccountType ParseType(const std::string& word) {
  const std::string w = AsciiLower(word);
  if (w == "egold" || w == "e-gold" || w == "0") return AccountType::Egold;
  if (w == "lr" || w == "libertyreserve" || w == "liberty-reserve" || w == "1")
    return AccountType::LibertyReserve;
  throw EProfileSetupError("Unknown account type \"" + word + "\" (use egold or lr).");
}

}  // namespace

AccountRecord ParseAccountSpec(const std::string& spec) {
  const size_t c1 = spec.find(':');
  const size_t c2 = c1 == std::string::npos ? c1 : spec.find(':', c1 + 1);
  const size_t c3 = c2 == std::string::npos ? c2 : spec.find(':', c2 + 1);
  if (c3 == std::string::npos) {
    // Name the account by its ID only: a line without colons may well be a secret typed alone.
    const std::string id = c2 == std::string::npos ? std::string() : " " + spec.substr(c1 + 1, c2 - c1 - 1);
    throw EProfileSetupError("An account is written TYPE:ID:LABEL:SECRET[:APINAME]; account" + id +
                             " has too few parts.");
  }
  AccountRecord account;
  account.Type = ParseType(spec.substr(0, c1));
  account.ID = spec.substr(c1 + 1, c2 - c1 - 1);
  account.Name = spec.substr(c2 + 1, c3 - c2 - 1);
  if (account.ID.empty()) throw EProfileSetupError("An account needs an ID.");
  std::string rest = spec.substr(c3 + 1);
  if (account.Type == AccountType::LibertyReserve) {
    const size_t last = rest.rfind(':');
    if (last == std::string::npos || last + 1 == rest.size()) {
      SecureWipe(rest);
      throw EProfileSetupError("Liberty Reserve account " + account.ID +
                               " needs an API name (TYPE:ID:LABEL:SECRET:APINAME).");
    }
    account.APIname = rest.substr(last + 1);
    account.Password = rest.substr(0, last);
  } else {
    account.Password = rest;
  }
  SecureWipe(rest);
  if (account.Password.empty()) {
    throw EProfileSetupError("Account " + account.ID + " needs a pass phrase or security word.");
  }
  return account;
}

void CreateProfileWithAccounts(SettingsStore& store, const std::string& name, const std::string& password,
                               const std::string& hint, const std::vector<AccountRecord>& accounts,
                               bool update_at_startup, const FormatSettings& regional, ProfileFormat format) {
  if (auto problem = ProfileNameProblem(name)) throw EProfileSetupError(*problem);
  if (password.size() < kMinProfilePasswordLength)
    throw EProfileSetupError("The password must have at least " + std::to_string(kMinProfilePasswordLength) +
                             " characters.");
  if (ProfileExists(store, name))
    throw EProfileSetupError("A profile named \"" + name + "\" exists already.");
  const std::filesystem::path path = NewProfilePath(name);
  if (auto problem = NewProfileFileProblem(path)) throw EProfileSetupError(*problem);
  if (static_cast<int>(accounts.size()) > ProfileModel::kNewAccountLimit)
    throw EProfileSetupError("A new profile holds at most " + std::to_string(ProfileModel::kNewAccountLimit) +
                             " accounts.");

  ProfileModel model;
  std::set<std::string> ids;
  for (const AccountRecord& account : accounts) {
    if (account.ID.empty()) throw EProfileSetupError("An account needs an ID.");
    if (auto problem = AccountTextProblem(account))
      throw EProfileSetupError("Account " + account.ID + ": " + *problem);
    if (!ids.insert(account.ID).second)
      throw EProfileSetupError("Account " + account.ID + " is given twice.");
    const int position = model.AppendAccount(account);
    model.Account(position).Update = account.Update || update_at_startup;
  }
  // Build the document once before anything is written: an account the document cannot hold
  // is refused here, with nothing registered.
  try {
    SecretString check(BuildProfileDocument(model, true, regional));
  } catch (const EProfileDocumentError& e) {
    throw EProfileSetupError(e.what());
  }

  // Register the profile as the new-profile window does, then write the accounts into its file.
  ProfileKey key(password, format);
  CreateProfile(store, name, key, hint);
  try {
    SaveProfile(model, key, path.string(), true, regional);
  } catch (...) {
    store.SetRootKey(RootKey::LocalMachine);
    store.OpenKey(kProfilesKey, true);
    store.DeleteKey(name);
    std::error_code ec;
    std::filesystem::remove(path, ec);
    throw;
  }
}

}  // namespace nummora
