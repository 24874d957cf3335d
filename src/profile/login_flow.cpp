#include "profile/login_flow.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/paths.h"
#include "platform/settings_store.h"
#include "profile/document.h"
#include "profile/profile_file.h"
#include "profile/profile_settings.h"

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
  const auto last = store.TryReadInteger(settings::kLastUser.name);
  const int position = last ? *last : 0;
  if (position >= 0 && position < static_cast<int>(list.names.size())) list.selected = position;
  return list;
}

bool LoginOkEnabled(int selected, const std::string& password) {
  return selected >= 0 && password.size() >= kMinProfilePasswordLength;
}

bool NewProfileOkEnabled(const std::string& name, const std::string& password,
                         const std::string& confirmation) {
  return !name.empty() && password.size() >= kMinProfilePasswordLength && confirmation == password;
}

LoginResult AttemptLogin(SettingsStore& store, int position, const std::string& name,
                         const std::string& password, const FormatSettings& regional,
                         const ProfileReader& read) {
  LoginResult result;
  store.SetRootKey(RootKey::LocalMachine);
  store.OpenKey(kProfilesKey, true);
  store.WriteInteger(settings::kLastUser.name, position);

  std::string path;
  if (store.OpenKey(ProfileKeyPath(name), false) &&
      store.GetValueKind(settings::kDataFile.name) == ValueKind::Text)
    path = store.ReadString(settings::kDataFile.name);

  ProfileOpenResult opened;
  try {
    opened = read ? OpenProfileFile(path, password, read) : OpenProfileFile(path, password);
  } catch (const std::exception& e) {
    result.outcome = LoginOutcome::Unreadable;
    result.message = e.what();
    return result;
  }
  switch (opened.status) {
    case ProfileOpenStatus::kFileMissing:
      store.OpenKey(kProfilesKey, true);
      store.DeleteKey(name);
      result.outcome = LoginOutcome::FileMissing;
      result.message = kDataFileNotFound;
      return result;
    case ProfileOpenStatus::kEmpty:
      result.outcome = LoginOutcome::Empty;
      result.message = kErrorLoadingProfile;
      return result;
    case ProfileOpenStatus::kWrongPassword:
      result.outcome = LoginOutcome::WrongPassword;
      if (store.GetValueKind(settings::kHint.name) == ValueKind::Text)
        result.hint = store.ReadString(settings::kHint.name);
      return result;
    case ProfileOpenStatus::kDamaged:
      result.outcome = LoginOutcome::Damaged;
      result.message = opened.message;
      return result;
    case ProfileOpenStatus::kOpened:
      break;
  }
  try {
    ReadProfileDocument(opened.text.str(), regional);  // throws for what the program could not save back
  } catch (const std::exception& e) {
    result.outcome = LoginOutcome::Unreadable;
    result.message = e.what();
    return result;
  }
  result.outcome = LoginOutcome::Success;
  result.text = std::move(opened.text.str());
  result.key = std::move(opened.key);
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

std::optional<std::string> NewProfileFileProblem(const std::filesystem::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0)
    return "The file " + path.string() + " exists already; it is left as it is.";
  const int error_number = errno;
  if (error_number == ENOENT) return std::nullopt;
  return "Cannot check the file " + path.string() + ": " + std::strerror(error_number);
}

void CreateProfile(SettingsStore& store, const std::string& name, const std::string& password,
                   const std::string& hint, ProfileFormat format) {
  ProfileKey key(password, format);
  CreateProfile(store, name, key, hint);
}

void CreateProfile(SettingsStore& store, const std::string& name, ProfileKey& key, const std::string& hint) {
  const std::string path = NewProfilePath(name).string();
  if (auto problem = NewProfileFileProblem(path)) throw EProfileFileError(*problem, 0);
  WriteProfileFile(path, kEmptyProfileDocument, key);
  store.SetRootKey(RootKey::LocalMachine);
  store.OpenKey(ProfileKeyPath(name), true);
  store.WriteString(settings::kDataFile.name, path);
  store.WriteString(settings::kHint.name, hint);
}

}  // namespace nummora
