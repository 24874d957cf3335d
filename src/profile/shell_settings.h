#pragma once
// The few preferences of the profile key that the application shell reads itself: the data
// file, whether pass phrases are saved, the display currency, the default account, stay on
// top and the two global hotkeys. Missing or unreadable values give the defaults of the
// settings table (platform/settings_table.h).
#include <cstdint>
#include <string>

#include "platform/settings_table.h"

namespace nummora {

class SettingsStore;

struct ShellSettings {
  std::string dataFile;
  bool savePassPhrases = settings::kSavePassPhrase.defaultValue != 0;
  std::string displayCurrency = "USD";  // from the "Fiat" position: 0 USD, 1 EUR
  int defaultAccount = settings::kDefaultAccount.defaultValue;
  bool onTop = settings::kOnTop.defaultValue != 0;
  int hotkeyBalance = settings::kHotkeyBalance.defaultValue;
  int hotkeySpend = settings::kHotkeySpend.defaultValue;
};

// The full path of a profile's key.
std::string ProfileKeyPath(const std::string& profileName);

// Reads the settings of a profile. Leaves the store's current key at the profile key when it
// exists. Never throws for a missing or wrongly typed value.
ShellSettings ReadShellSettings(SettingsStore& store, const std::string& profileName);

}  // namespace nummora
