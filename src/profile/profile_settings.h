#pragma once
// The settings of a profile as they are kept in its settings key, in one struct for every
// reader: the application shell, the preferences dialog, the export and import of settings.
// Each value's name, type and default are those of the settings table (platform/settings_table.h).
#include <cstdint>
#include <string>

#include "platform/settings_table.h"

namespace nummora {

class SettingsStore;

inline constexpr int kDefaultHotkeyBalance = settings::kHotkeyBalance.defaultValue;
inline constexpr int kDefaultHotkeySpend = settings::kHotkeySpend.defaultValue;

struct ProfileSettings {
  std::string dataFile;                                               // kDataFile
  bool savePassPhrase = settings::kSavePassPhrase.defaultValue != 0;  // kSavePassPhrase
  bool useProxy = settings::kUseProxy.defaultValue != 0;              // kUseProxy
  std::string proxyHost;                                              // kProxyHost
  std::string proxyPort;                                              // kProxyPort, the text as typed
  std::string proxyUser;                                              // kProxyUser
  std::string proxyPasswd;                                            // kProxyPasswd
  int fiat = settings::kFiat.defaultValue;                            // kFiat: 0 USD, 1 EUR
  int defaultAccount = settings::kDefaultAccount.defaultValue;        // kDefaultAccount
  bool onTop = settings::kOnTop.defaultValue != 0;                    // kOnTop
  int hotkeyBalance = kDefaultHotkeyBalance;                          // kHotkeyBalance, 0 for none
  int hotkeySpend = kDefaultHotkeySpend;                              // kHotkeySpend, 0 for none
};

// The display currency items, in list order, and the currency code of an item position.
inline constexpr const char* kCurrencyItems[] = {"USD - US $", "EUR - Euro"};
std::string DisplayCurrencyOf(int fiat);

// The full path of a profile's key.
std::string ProfileKeyPath(const std::string& profileName);

// Reads the settings the application shell runs by: each value on its own, a missing or
// wrongly typed one giving its default. The proxy password is left empty: the shell never
// needs it, and a secret is not held longer than it is used. Leaves the store's current key
// at the profile key when it exists. Never throws for a missing or wrongly typed value.
ProfileSettings ReadProfileSettings(SettingsStore& store, const std::string& profileName);

}  // namespace nummora
