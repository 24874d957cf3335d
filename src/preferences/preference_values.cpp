#include "preferences/preference_values.h"

#include <charconv>

#include "platform/settings_store.h"

namespace nummora {

namespace {
// The whole text as a decimal integer (an optional sign), or nothing.
std::optional<long long> WholeNumber(const std::string& text) {
  long long value = 0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end || begin == end) return std::nullopt;
  return value;
}
}  // namespace

int ProxyPortOf(const std::string& portText) {
  const auto value = WholeNumber(portText);
  if (!value || *value < INT32_MIN || *value > INT32_MAX) return 443;
  return static_cast<int>(*value);
}

ProxySettings ProxyOf(const ProfileSettings& values) {
  ProxySettings proxy;
  proxy.UseProxy = values.useProxy;
  proxy.ProxyHost = values.proxyHost;
  proxy.ProxyPort = ProxyPortOf(values.proxyPort);
  proxy.ProxyUser = values.proxyUser;
  proxy.ProxyPasswd = values.proxyPasswd;
  return proxy;
}

std::string ProxyHint(const ProxySettings& proxy) {
  if (!proxy.UseProxy) return {};
  return "Current proxy: " + proxy.ProxyHost + ":" + std::to_string(proxy.ProxyPort);
}

std::optional<std::string> PreferenceProblem(const ProfileSettings& values) {
  if (values.useProxy || !values.proxyPort.empty()) {
    const auto port = WholeNumber(values.proxyPort);
    if (!port || *port < 1 || *port > 65535) return "The proxy \"Port\" must be a number from 1 to 65535.";
  }
  if (values.useProxy && values.proxyHost.empty()) return "The proxy \"Host\" is empty.";
  return std::nullopt;
}

std::optional<std::string> NewPasswordProblem(const std::string& newPassword, const std::string& retyped) {
  if (newPassword != retyped || newPassword.size() < kMinimumPasswordLength) return "Wrong new password";
  return std::nullopt;
}

std::vector<std::string> ReadProxyList(std::string_view answer) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i <= answer.size() && lines.size() < kMaxProxyListEntries; ++i) {
    const char c = i < answer.size() ? answer[i] : '\n';
    if (c == '\r') continue;
    if (c != '\n') {
      if (line.size() < kMaxProxyLineLength) line += c;
      continue;
    }
    if (!line.empty()) lines.push_back(std::move(line));
    line.clear();
  }
  return lines;
}

void SplitProxyLine(const std::string& line, std::string& host, std::string& port) {
  const std::size_t colon = line.find(':');
  if (colon == std::string::npos) {
    host.clear();
    port = line.substr(0, 6);
    return;
  }
  host = line.substr(0, colon);
  port = line.substr(colon + 1, 6);
}

namespace {
bool ReadText(SettingsStore& store, const char* name, std::string& value) {
  const ValueKind kind = store.GetValueKind(name);
  if (kind == ValueKind::Integer) return false;
  value = kind == ValueKind::None ? std::string() : store.ReadString(name);
  return true;
}
bool ReadInt(SettingsStore& store, const char* name, int& value) {
  const auto v = store.TryReadInteger(name);
  if (!v) return false;
  value = *v;
  return true;
}
bool ReadFlag(SettingsStore& store, const char* name, bool& value) {
  int v = 0;
  if (!ReadInt(store, name, v)) return false;
  value = v != 0;
  return true;
}
}  // namespace

bool ReadGeneralPreferences(SettingsStore& store, ProfileSettings& v) {
  using namespace settings;
  return ReadText(store, kDataFile.name, v.dataFile) &&
         ReadFlag(store, kSavePassPhrase.name, v.savePassPhrase) &&
         ReadFlag(store, kUseProxy.name, v.useProxy) && ReadText(store, kProxyHost.name, v.proxyHost) &&
         ReadText(store, kProxyPort.name, v.proxyPort) && ReadText(store, kProxyUser.name, v.proxyUser) &&
         ReadText(store, kProxyPasswd.name, v.proxyPasswd) && ReadInt(store, kFiat.name, v.fiat) &&
         ReadInt(store, kDefaultAccount.name, v.defaultAccount) && ReadFlag(store, kOnTop.name, v.onTop);
}

bool ReadHotkeyPreference(SettingsStore& store, const char* name, int& value) {
  int v = 0;
  if (!ReadInt(store, name, v) || v > kMaxHotkeyValue) return false;
  value = v > 0 ? v : 0;
  return true;
}

bool ReadHotkeyPreferences(SettingsStore& store, ProfileSettings& v) {
  return ReadHotkeyPreference(store, settings::kHotkeyBalance.name, v.hotkeyBalance) &&
         ReadHotkeyPreference(store, settings::kHotkeySpend.name, v.hotkeySpend);
}

void WriteGeneralPreferences(SettingsStore& store, const ProfileSettings& v) {
  using namespace settings;
  store.WriteBool(kUseProxy.name, v.useProxy);
  store.WriteString(kProxyHost.name, v.proxyHost);
  store.WriteString(kProxyPort.name, v.proxyPort);
  store.WriteString(kProxyUser.name, v.proxyUser);
  store.WriteString(kProxyPasswd.name, v.proxyPasswd);
  store.WriteBool(kSavePassPhrase.name, v.savePassPhrase);
  store.WriteBool(kOnTop.name, v.onTop);
  store.WriteInteger(kDefaultAccount.name, v.defaultAccount);
}

void WriteHotkeyPreferences(SettingsStore& store, const ProfileSettings& v) {
  store.WriteInteger(settings::kHotkeyBalance.name, v.hotkeyBalance);
  store.WriteInteger(settings::kHotkeySpend.name, v.hotkeySpend);
}

}  // namespace nummora
