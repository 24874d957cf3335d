#include "profile/shell_settings.h"

#include "platform/settings_store.h"

namespace nummora {

std::string ProfileKeyPath(const std::string& profileName) {
  return std::string(kProfilesKey) + profileName;
}

ShellSettings ReadShellSettings(SettingsStore& store, const std::string& profileName) {
  ShellSettings s;
  store.SetRootKey(RootKey::LocalMachine);
  if (!store.OpenKey(ProfileKeyPath(profileName), false)) return s;
  const auto integer = [&store](const Setting& setting) {
    const auto v = store.TryReadInteger(setting.name);
    return v ? static_cast<int>(*v) : setting.defaultValue;
  };
  if (store.GetValueKind(settings::kDataFile.name) == ValueKind::Text)
    s.dataFile = store.ReadString(settings::kDataFile.name);
  s.savePassPhrases = integer(settings::kSavePassPhrase) != 0;
  s.displayCurrency = integer(settings::kFiat) == 1 ? "EUR" : "USD";
  s.defaultAccount = integer(settings::kDefaultAccount);
  s.onTop = integer(settings::kOnTop) != 0;
  s.hotkeyBalance = integer(settings::kHotkeyBalance);
  s.hotkeySpend = integer(settings::kHotkeySpend);
  return s;
}

}  // namespace nummora
