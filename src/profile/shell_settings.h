#pragma once
// The few preferences of the profile key that the application shell reads itself: the data
// file, whether pass phrases are saved, the display currency, the default account, stay on
// top and the two global hotkeys. Missing or unreadable values give the defaults.
#include <cstdint>
#include <string>

namespace nummora {

class SettingsStore;

inline constexpr const char* kProfilesKey = "\\Software\\Quillan\\Nummora\\";

struct ShellSettings {
  std::string dataFile;                 // the profile key's default value
  bool savePassPhrases = true;          // "SavePassPhrase"
  std::string displayCurrency = "USD";  // from "Fiat": 0 USD, 1 EUR
  int defaultAccount = 0;               // "acct[ount"
  bool onTop = false;                   // "OnTop"
  int hotkeyBalance = 24641;            // "HotkeyBalance", Ctrl+Shift+A
  int hotkeySpend = 24659;              // "HotkeySpend", Ctrl+Shift+S
};

// The full path of a profile's key.
std::string ProfileKeyPath(const std::string& profileName);

// Reads the settings of a profile. Leaves the store's current key at the profile key when it
// exists. Never throws for a missing or wrongly typed value.
ShellSettings ReadShellSettings(SettingsStore& store, const std::string& profileName);

}  // namespace nummora
