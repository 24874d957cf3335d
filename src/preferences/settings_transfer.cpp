#include "preferences/settings_transfer.h"

#include <charconv>

#include "platform/settings_store.h"

namespace nummora {

namespace {
constexpr const char* kGeneral = "General";
constexpr const char* kAccounts = "Accounts";
constexpr const char* kPreferences = "Preferences";
constexpr const char* kAddressBook = "Address book";

std::string Numbered(const char* key, std::size_t n) {
  return key + std::to_string(n);
}
}  // namespace

TExportedPreferences ExportedPreferencesOf(const TPreferenceValues& v) {
  TExportedPreferences p;
  p.fiat = v.fiat;
  p.savePassPhrase = v.savePassPhrase;
  p.hotkeyBalance = v.hotkeyBalance;
  p.hotkeySpend = v.hotkeySpend;
  p.useProxy = v.useProxy;
  p.proxyHost = v.proxyHost;
  p.proxyPort = v.proxyPort;
  p.proxyUser = v.proxyUser;
  p.proxyPasswd = v.proxyPasswd;
  return p;
}

void WriteSettingsExport(IniFile& ini, const std::string& dateText, const std::string& comment,
                         const std::vector<TAccount>& accounts, const TExportedPreferences* preferences,
                         const std::vector<TContact>* contacts) {
  ini.WriteString(kGeneral, "Date", dateText);
  ini.WriteString(kGeneral, "Comment", comment);
  std::size_t n = 0;
  for (const TAccount& a : accounts) {
    ++n;
    ini.WriteString(kAccounts, Numbered("Name", n), a.Name);
    ini.WriteString(kAccounts, Numbered("Account", n), a.ID);
    ini.WriteBool(kAccounts, Numbered("Startup", n), a.Update);
    ini.WriteInteger(kAccounts, Numbered("Refresh", n), a.Refresh);
  }
  ini.WriteInteger(kGeneral, "Accounts", static_cast<int32_t>(n));
  if (preferences) {
    const TExportedPreferences& p = *preferences;
    ini.WriteInteger(kPreferences, "Fiat", p.fiat);
    ini.WriteBool(kPreferences, "SavePassPhrase", p.savePassPhrase);
    ini.WriteInteger(kPreferences, "HotkeyBalance", p.hotkeyBalance);
    ini.WriteInteger(kPreferences, "HotkeySpend", p.hotkeySpend);
    ini.WriteBool(kPreferences, "UseProxy", p.useProxy);
    ini.WriteString(kPreferences, "ProxyHost", p.proxyHost);
    ini.WriteString(kPreferences, "ProxyPort", p.proxyPort);
    ini.WriteString(kPreferences, "ProxyUser", p.proxyUser);
    ini.WriteString(kPreferences, "ProxyPasswd", p.proxyPasswd);
  }
  if (contacts && !contacts->empty()) {
    ini.WriteInteger(kGeneral, "Addresses", static_cast<int32_t>(contacts->size()));
    n = 0;
    for (const TContact& c : *contacts) {
      ++n;
      ini.WriteString(kAddressBook, Numbered("Name", n), c.Name);
      ini.WriteString(kAddressBook, Numbered("Account", n), c.EgoldID);
      ini.WriteString(kAddressBook, Numbered("Email", n), c.LRID);
      ini.WriteString(kAddressBook, Numbered("Comment", n), c.Email);
    }
  }
}

TSettingsFileContent ReadSettingsFile(const IniFile& ini) {
  TSettingsFileContent content;
  content.comment = ini.ReadString(kGeneral, "Comment");
  content.hasPreferences = ini.SectionExists(kPreferences);
  content.hasAddressBook = ini.SectionExists(kAddressBook);
  for (std::size_t n = 1;; ++n) {
    const auto name = ini.Find(kAccounts, Numbered("Name", n));
    if (!name) break;
    TImportLine line;
    line.name = *name;
    line.account = ini.ReadString(kAccounts, Numbered("Account", n));
    line.startup = ini.ReadBool(kAccounts, Numbered("Startup", n), false);
    line.refresh = ini.ReadInteger(kAccounts, Numbered("Refresh", n), 0);
    content.accounts.push_back(std::move(line));
  }
  for (std::size_t n = 1;; ++n) {
    const auto name = ini.Find(kAddressBook, Numbered("Name", n));
    if (!name) break;
    TContact contact;
    contact.Name = *name;
    contact.EgoldID = ini.ReadString(kAddressBook, Numbered("Account", n));
    contact.LRID = ini.ReadString(kAddressBook, Numbered("Email", n));
    contact.Email = ini.ReadString(kAddressBook, Numbered("Comment", n));
    content.contacts.push_back(std::move(contact));
  }
  return content;
}

std::string ImportLineCaption(const TImportLine& line) {
  return line.name + " <" + line.account + ">";
}

std::optional<TAccount> ImportedAccount(const TImportLine& line) {
  // Only e-gold numbers are imported: a whole number above 0.
  const auto number = IniFile::ParseInteger(line.account);
  if (!number || *number <= 0 || line.account.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  if (line.refresh < 0 || line.refresh > 65535)
    throw ImportStop("The import stopped at account " + line.account + ": its refresh interval " +
                     std::to_string(line.refresh) + " is not a number of minutes from 0 to 65535.");
  TAccount account;
  account.Type = kAccountTypeEgold;
  account.Name = line.name;
  account.ID = line.account;
  account.Update = line.startup;
  account.Refresh = static_cast<uint16_t>(line.refresh);
  return account;
}

void ImportPreferences(const IniFile& ini, SettingsStore& store) {
  if (ini.ValueExists(kPreferences, "Fiat"))
    store.WriteInteger("Fiat", ini.ReadInteger(kPreferences, "Fiat", 0));
  if (ini.ValueExists(kPreferences, "SavePassPhrase"))
    store.WriteBool("SavePassPhrase", ini.ReadBool(kPreferences, "SavePassPhrase", true));
  store.WriteBool("UseProxy", ini.ReadBool(kPreferences, "UseProxy", false));
  for (const char* key : {"ProxyHost", "ProxyPort", "ProxyUser", "ProxyPasswd"})
    store.WriteString(key, ini.ReadString(kPreferences, key));
  store.WriteInteger("HotkeyBalance", ini.ReadInteger(kPreferences, "HotkeyBalance", 0));
  store.WriteInteger("HotkeySpend", ini.ReadInteger(kPreferences, "HotkeySpend", 0));
}

void ImportAccounts(const TSettingsFileContent& content, const std::vector<int>& chosen,
                    TAccountImporter& target) {
  for (int index : chosen) {
    if (index < 0 || index >= static_cast<int>(content.accounts.size())) continue;
    const std::optional<TAccount> record = ImportedAccount(content.accounts[static_cast<std::size_t>(index)]);
    if (!record) continue;
    const int existing = target.FindAccount(record->ID);
    if (existing < 0) {
      const int position = target.AppendAccount(*record);
      if (position < 0)
        throw ImportStop("The import stopped at account " + record->ID + ": the profile holds " +
                         std::to_string(ProfileModel::kMaxAccounts) + " accounts, the most it can.");
      target.RefreshAccount(position);
      continue;
    }
    if (target.ConfirmOverwrite(record->ID)) target.ReplaceAccount(existing, *record);
    target.RefreshAccount(existing);
  }
}

}  // namespace nummora
