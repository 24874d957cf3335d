#pragma once
// Every value the program keeps in the settings store, each with its name, its type and the
// value a missing one stands for. The names are the stored ones: settings written by earlier
// versions must read the same, so a name here never changes. A settings file export carries the
// preference values under the same names.
#include <cstdint>
#include <string>

namespace nummora {

enum class SettingType { Text, Integer, Flag };

struct Setting {
  const char* name;
  SettingType type;
  int32_t defaultValue;  // of an integer or a flag (1 on, 0 off); a missing text is empty
};

// The key that holds one subkey a profile, named after the profile.
inline constexpr const char* kProfilesKey = "\\Software\\Quillan\\Nummora\\";

namespace settings {

// In the profiles key: the position of the profile chosen last, -1 for none.
inline constexpr Setting kLastUser{"LastUser", SettingType::Integer, -1};

// In a profile's key. The key's default value (the empty name) is the data file's path.
inline constexpr Setting kDataFile{"", SettingType::Text, 0};
inline constexpr Setting kHint{"Hint", SettingType::Text, 0};  // the password hint
inline constexpr Setting kSavePassPhrase{"SavePassPhrase", SettingType::Flag, 1};
inline constexpr Setting kUseProxy{"UseProxy", SettingType::Flag, 0};
inline constexpr Setting kProxyHost{"ProxyHost", SettingType::Text, 0};
inline constexpr Setting kProxyPort{"ProxyPort", SettingType::Text, 0};  // the text as typed
inline constexpr Setting kProxyUser{"ProxyUser", SettingType::Text, 0};
inline constexpr Setting kProxyPasswd{"ProxyPasswd", SettingType::Text, 0};
inline constexpr Setting kFiat{"Fiat", SettingType::Integer, 0};  // display currency: 0 USD, 1 EUR
inline constexpr Setting kDefaultAccount{"acct[ount", SettingType::Integer, 0};
inline constexpr Setting kOnTop{"OnTop", SettingType::Flag, 0};
inline constexpr Setting kHotkeyBalance{"HotkeyBalance", SettingType::Integer,
                                        24641};                                     // Ctrl+Shift+A; 0 none
inline constexpr Setting kHotkeySpend{"HotkeySpend", SettingType::Integer, 24659};  // Ctrl+Shift+S; 0 none
// Whether the metals list of the details pane was shown when the window closed.
inline constexpr Setting kMetals{"Metals", SettingType::Flag, 1};
// The sender of a payment notice by e-mail.
inline constexpr Setting kFromName{"FromName", SettingType::Text, 0};
inline constexpr Setting kFromMail{"FromMail", SettingType::Text, 0};
// The texts typed before into a payment's memo and merchant fields, one list a system.
inline constexpr Setting kEgoldMemo{"EgoldMemo", SettingType::Text, 0};
inline constexpr Setting kLibertyReserveMemo{"LRMemo", SettingType::Text, 0};
inline constexpr Setting kEgoldMerchant{"EgoldMerchant", SettingType::Text, 0};
inline constexpr Setting kLibertyReserveMerchant{"LRMerchant", SettingType::Text, 0};

// A window's layout, under names made of the window's or list's name and these endings.
inline constexpr const char* kBoundLeft = "_Left";
inline constexpr const char* kBoundTop = "_Top";
inline constexpr const char* kBoundWidth = "_Width";
inline constexpr const char* kBoundHeight = "_Height";
// The width of column `column` (from 0) of a list.
inline std::string ColumnWidthName(const std::string& listName, std::size_t column) {
  return listName + "_Width_" + std::to_string(column);
}

}  // namespace settings

}  // namespace nummora
