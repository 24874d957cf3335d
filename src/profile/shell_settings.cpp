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
  const auto integer = [&store](const char* name, int fallback) {
    const auto v = store.TryReadInteger(name);
    return v ? static_cast<int>(*v) : fallback;
  };
  if (store.GetValueKind("") == ValueKind::Text) s.dataFile = store.ReadString("");
  s.savePassPhrases = integer("SavePassPhrase", 1) != 0;
  s.displayCurrency = integer("Fiat", 0) == 1 ? "EUR" : "USD";
  s.defaultAccount = integer("acct[ount", 0);
  s.onTop = integer("OnTop", 0) != 0;
  s.hotkeyBalance = integer("HotkeyBalance", s.hotkeyBalance);
  s.hotkeySpend = integer("HotkeySpend", s.hotkeySpend);
  return s;
}

}  // namespace nummora
