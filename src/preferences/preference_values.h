#pragma once
// The preferences of a profile as they are kept in its settings key, with the rules that turn
// them into the running program's state: the proxy, the display currency, the checks made
// before they are saved, and the reading order in which a missing value stops a load.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_table.h"
#include "profile/model.h"
#include "profile/profile_settings.h"

namespace nummora {

class SettingsStore;

// The largest shortcut value a stored hotkey may have: a larger one stops a load.
inline constexpr int kMaxHotkeyValue = 65535;
// A new profile password must be at least this long (as when the profile was created).
inline constexpr std::size_t kMinimumPasswordLength = 3;

// The port of a proxy port text: its integer value, 443 when the text is not an integer.
int ProxyPortOf(const std::string& portText);
// The proxy the program uses for the values.
ProxySettings ProxyOf(const ProfileSettings& values);
// The proxy indicator's hint: "Current proxy: host:port" when the proxy is used, else empty.
std::string ProxyHint(const ProxySettings& proxy);

// Why the values cannot be saved, or nothing. A port text that is not a whole number from 1
// to 65535 is refused when the proxy is used or the text is not empty: it would otherwise be
// taken silently as port 443.
std::optional<std::string> PreferenceProblem(const ProfileSettings& values);
// Why a new profile password cannot be taken, or nothing.
std::optional<std::string> NewPasswordProblem(const std::string& newPassword, const std::string& retyped);

// The proxy list of a "/services/proxies.php" answer: one entry a line (a line ends at LF; CR
// characters are dropped), empty lines left out. An answer of more lines keeps the first
// kMaxProxyListEntries, each cut to kMaxProxyLineLength characters: the list is shown to pick
// from, and a server that sends megabytes must not fill the dialog with them.
inline constexpr std::size_t kMaxProxyListEntries = 1000;
inline constexpr std::size_t kMaxProxyLineLength = 255;
std::vector<std::string> ReadProxyList(std::string_view answer);

// A proxy list line: the host before the first ":", and at most six characters after it as
// the port; a line without ":" gives an empty host and its first six characters.
void SplitProxyLine(const std::string& line, std::string& host, std::string& port);

// Reads the values of the profile key (the current key of `store`) into `values`, in this
// order: the default value, "SavePassPhrase", "UseProxy", "ProxyHost", "ProxyPort",
// "ProxyUser", "ProxyPasswd", "Fiat", "acct[ount", "OnTop". Stops at the first value that is
// missing or of the wrong type and returns false; what was read before stays in `values`.
bool ReadGeneralPreferences(SettingsStore& store, ProfileSettings& values);
// Reads one hotkey value: false when it is missing, not an integer or above 65535. A value
// below 1 reads as 0 (no hotkey).
bool ReadHotkeyPreference(SettingsStore& store, const char* name, int& value);
// Reads "HotkeyBalance", then "HotkeySpend", stopping at the first unreadable one.
bool ReadHotkeyPreferences(SettingsStore& store, ProfileSettings& values);

// Writes "UseProxy", "ProxyHost", "ProxyPort", "ProxyUser", "ProxyPasswd", "SavePassPhrase",
// "OnTop" and "acct[ount". Throws SettingsError.
void WriteGeneralPreferences(SettingsStore& store, const ProfileSettings& values);
// Writes "HotkeyBalance" and "HotkeySpend". Throws SettingsError.
void WriteHotkeyPreferences(SettingsStore& store, const ProfileSettings& values);

}  // namespace nummora
