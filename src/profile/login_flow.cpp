#include "profile/login_flow.h"

#include "platform/paths.h"
#include "platform/settings_store.h"
#include "profile/document.h"
#include "profile/profile_file.h"
#include "profile/shell_settings.h"

namespace nummora {

namespace {
std::string Trimmed(const std::string& s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  const std::size_t last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}
}  // namespace

ProfileList ReadProfileList(SettingsStore& store) {
  ProfileList list;
  store.SetRootKey(RootKey::LocalMachine);
  store.OpenKey(kProfilesKey, true);
  list.names = store.GetKeyNames();
  const auto last = store.TryReadInteger("LastUser");
  const int position = last ? *last : 0;
  if (position >= 0 && position < static_cast<int>(list.names.size())) list.selected = position;
  return list;
}

bool LoginOkEnabled(int selected, const std::string& password) {
  return selected >= 0 && password.size() >= 3;
}

bool NewProfileOkEnabled(const std::string& name, const std::string& password,
                         const std::string& confirmation) {
  return !name.empty() && password.size() >= 3 && confirmation == password;
}

LoginResult AttemptLogin(SettingsStore& store, int position, const std::string& name,
                         const std::string& password, const FormatSettings& regional,
                         const DecipherFunction& decipher) {
  LoginResult result;
  store.SetRootKey(RootKey::LocalMachine);
  store.OpenKey(kProfilesKey, true);
  store.WriteInteger("LastUser", position);

  std::string path;
  if (store.OpenKey(ProfileKeyPath(name), false) && store.GetValueKind("") == ValueKind::Text)
    path = store.ReadString("");
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
    store.OpenKey(kProfilesKey, true);
    store.DeleteKey(name);
    result.outcome = LoginOutcome::FileMissing;
    result.message = "Data file not found";
    return result;
  }

  const DecipherFunction read =
      decipher ? decipher : [](const std::string& p, const std::string& pw) { return DecipherFile(p, pw); };
  try {
    std::string text = read(path, password);
    if (text.empty()) {
      result.outcome = LoginOutcome::Empty;
      result.message = "Error loading profile";
      return result;
    }
    if (!LooksLikeProfileDocument(text)) {
      result.outcome = LoginOutcome::WrongPassword;
      if (store.GetValueKind("Hint") == ValueKind::Text) result.hint = store.ReadString("Hint");
      return result;
    }
    // A file read while it was being written may come short; read it again a few times.
    for (int again = 0; again < 3 && !HasProfileTrailer(text); ++again) text = read(path, password);
    if (!HasProfileTrailer(text)) {
      result.outcome = LoginOutcome::Damaged;
      result.message = "File is damaged";
      return result;
    }
    ReadProfileDocument(text, regional);  // throws for what the program could not save back
    result.outcome = LoginOutcome::Success;
    result.text = std::move(text);
  } catch (const std::exception& e) {
    result.outcome = LoginOutcome::Unreadable;
    result.message = e.what();
  }
  return result;
}

std::vector<std::string> WrongPasswordLines(const std::string& hint, bool capsLockOn) {
  std::vector<std::string> lines{"Please enter password again"};
  if (!Trimmed(hint).empty()) lines.push_back("Password hint: " + hint);
  if (capsLockOn) lines.push_back("Attention: CAPS LOCK on!");
  return lines;
}

std::optional<std::string> ProfileNameProblem(const std::string& name) {
  const std::string trimmed = Trimmed(name);
  if (trimmed.empty() || trimmed == "." || trimmed == ".." ||
      name.find_first_of(std::string("/\\\0", 3)) != std::string::npos)
    return std::string("The name \"") + name +
           "\" cannot be used for a profile. A profile name must not be empty, \".\" or \"..\", and must not "
           "contain \"/\" or \"\\\".";
  return std::nullopt;
}

bool ProfileExists(SettingsStore& store, const std::string& name) {
  store.SetRootKey(RootKey::LocalMachine);
  return store.KeyExists(ProfileKeyPath(name));
}

std::filesystem::path NewProfilePath(const std::string& name) {
  return DataFolder(true) / (name + ".nmr");
}

void CreateProfile(SettingsStore& store, const std::string& name, const std::string& password,
                   const std::string& hint) {
  const std::string path = NewProfilePath(name).string();
  EncipherToFile(path, kEmptyProfileDocument, password);
  store.SetRootKey(RootKey::LocalMachine);
  store.OpenKey(ProfileKeyPath(name), true);
  store.WriteString("", path);
  store.WriteString("Hint", hint);
}

}  // namespace nummora
