#include "profile/profile_settings.h"

#include "platform/settings_store.h"

namespace nummora {

std::string DisplayCurrencyOf(int fiat) {
  const int index = fiat == 1 ? 1 : 0;
  return std::string(kCurrencyItems[index]).substr(0, 3);
}

std::string ProfileKeyPath(const std::string& profileName) {
  return std::string(kProfilesKey) + profileName;
}

ProfileSettings ReadProfileSettings(SettingsStore& store, const std::string& profileName) {
  ProfileSettings s;
  store.SetRootKey(RootKey::LocalMachine);
  if (!store.OpenKey(ProfileKeyPath(profileName), false)) return s;
  const auto integer = [&store](const Setting& setting) {
    const auto v = store.TryReadInteger(setting.name);
    return v ? static_cast<int>(*v) : setting.defaultValue;
  };
  const auto text = [&store](const Setting& setting) {
    return store.GetValueKind(setting.name) == ValueKind::Text ? store.ReadString(setting.name)
                                                               : std::string();
  };
  s.dataFile = text(settings::kDataFile);
  s.savePassPhrase = integer(settings::kSavePassPhrase) != 0;
  s.useProxy = integer(settings::kUseProxy) != 0;
  s.proxyHost = text(settings::kProxyHost);
  s.proxyPort = text(settings::kProxyPort);
  s.proxyUser = text(settings::kProxyUser);
  s.fiat = integer(settings::kFiat) == 1 ? 1 : 0;
  s.defaultAccount = integer(settings::kDefaultAccount);
  s.onTop = integer(settings::kOnTop) != 0;
  s.hotkeyBalance = integer(settings::kHotkeyBalance);
  s.hotkeySpend = integer(settings::kHotkeySpend);
  return s;
}

}  // namespace nummora
