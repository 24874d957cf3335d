#include "preferences/settings_transfer.h"

#include <charconv>
#include <iterator>
#include <utility>

#include "common/secure_memory.h"
#include "platform/settings_store.h"
#include "profile/profile_text.h"

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

ExportedPreferences ExportedPreferencesOf(const ProfileSettings& v) {
  ExportedPreferences p;
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
                         const std::vector<AccountRecord>& accounts, const ExportedPreferences* preferences,
                         const std::vector<ContactRecord>* contacts) {
  ini.WriteString(kGeneral, "Date", dateText);
  ini.WriteString(kGeneral, "Comment", comment);
  std::size_t n = 0;
  for (const AccountRecord& a : accounts) {
    ++n;
    ini.WriteString(kAccounts, Numbered("Name", n), a.Name);
    ini.WriteString(kAccounts, Numbered("Account", n), a.ID);
    ini.WriteBool(kAccounts, Numbered("Startup", n), a.Update);
    ini.WriteInteger(kAccounts, Numbered("Refresh", n), a.Refresh);
  }
  ini.WriteInteger(kGeneral, "Accounts", static_cast<int32_t>(n));
  if (preferences) {
    const ExportedPreferences& p = *preferences;
    ini.WriteInteger(kPreferences, settings::kFiat.name, p.fiat);
    ini.WriteBool(kPreferences, settings::kSavePassPhrase.name, p.savePassPhrase);
    ini.WriteInteger(kPreferences, settings::kHotkeyBalance.name, p.hotkeyBalance);
    ini.WriteInteger(kPreferences, settings::kHotkeySpend.name, p.hotkeySpend);
    ini.WriteBool(kPreferences, settings::kUseProxy.name, p.useProxy);
    ini.WriteString(kPreferences, settings::kProxyHost.name, p.proxyHost);
    ini.WriteString(kPreferences, settings::kProxyPort.name, p.proxyPort);
    ini.WriteString(kPreferences, settings::kProxyUser.name, p.proxyUser);
    ini.WriteString(kPreferences, settings::kProxyPasswd.name, p.proxyPasswd);
  }
  if (contacts && !contacts->empty()) {
    ini.WriteInteger(kGeneral, "Addresses", static_cast<int32_t>(contacts->size()));
    n = 0;
    for (const ContactRecord& c : *contacts) {
      ++n;
      ini.WriteString(kAddressBook, Numbered("Name", n), c.Name);
      ini.WriteString(kAddressBook, Numbered("Account", n), c.EgoldID);
      ini.WriteString(kAddressBook, Numbered("Email", n), c.LRID);
      ini.WriteString(kAddressBook, Numbered("Comment", n), c.Email);
    }
  }
}

SettingsFileContent ReadSettingsFile(const IniFile& ini) {
  SettingsFileContent content;
  content.comment = ini.ReadString(kGeneral, "Comment");
  content.hasPreferences = ini.SectionExists(kPreferences);
  content.hasAddressBook = ini.SectionExists(kAddressBook);
  for (std::size_t n = 1;; ++n) {
    const auto name = ini.Find(kAccounts, Numbered("Name", n));
    if (!name) break;
    ImportLine line;
    line.name = *name;
    line.account = ini.ReadString(kAccounts, Numbered("Account", n));
    line.startup = ini.ReadBool(kAccounts, Numbered("Startup", n), false);
    line.refresh = ini.ReadInteger(kAccounts, Numbered("Refresh", n), 0);
    content.accounts.push_back(std::move(line));
  }
  for (std::size_t n = 1;; ++n) {
    const auto name = ini.Find(kAddressBook, Numbered("Name", n));
    if (!name) break;
    ContactRecord contact;
    contact.Name = *name;
    contact.EgoldID = ini.ReadString(kAddressBook, Numbered("Account", n));
    contact.LRID = ini.ReadString(kAddressBook, Numbered("Email", n));
    contact.Email = ini.ReadString(kAddressBook, Numbered("Comment", n));
    content.contacts.push_back(std::move(contact));
  }
  return content;
}

std::string ImportLineCaption(const ImportLine& line) {
  return line.name + " <" + line.account + ">";
}

namespace {
// A letter followed by digits: how a Liberty Reserve account number is written.
bool LooksLikeLibertyReserveNumber(const std::string& id) {
  if (id.size() < 2) return false;
  const unsigned char first = static_cast<unsigned char>(id[0]);
  if (!((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z'))) return false;
  return id.find_first_not_of("0123456789", 1) == std::string::npos;
}

std::string NotImportedReason(const std::string& id) {
  if (id.empty()) return "it has no account number.";
  if (LooksLikeLibertyReserveNumber(id))
    return "Liberty Reserve accounts are not imported: the file does not hold the API name they "
           "need. Add it with \"New account\".";
  return "\"" + id + "\" is not an e-gold account number.";
}
}  // namespace

std::optional<AccountRecord> ImportedAccount(const ImportLine& line, std::string* whyNot) {
  // Only e-gold numbers are imported: a whole number above 0.
  const auto number = IniFile::ParseInteger(line.account);
  if (!number || *number <= 0 || line.account.find_first_not_of("0123456789") != std::string::npos) {
    if (whyNot) *whyNot = NotImportedReason(line.account);
    return std::nullopt;
  }
  // The account editor's own check: a name it would refuse would make every save fail.
  if (auto problem = FieldTextProblem("Account name", line.name)) {
    if (whyNot) *whyNot = *problem;
    return std::nullopt;
  }
  if (line.refresh < 0 || line.refresh > 65535)
    throw ImportStop("The import stopped at account " + line.account + ": its refresh interval " +
                     std::to_string(line.refresh) + " is not a number of minutes from 0 to 65535.");
  AccountRecord account;
  account.Type = AccountType::Egold;
  account.Name = line.name;
  account.ID = line.account;
  account.Update = line.startup;
  account.Refresh = static_cast<uint16_t>(line.refresh);
  return account;
}

std::optional<std::string> ImportedContactProblem(const ContactRecord& contact) {
  return ContactTextProblem(contact);
}

ImportedPreferences::~ImportedPreferences() {
  SecureWipe(proxyPasswd);
}

ImportedPreferences ReadImportedPreferences(const IniFile& ini) {
  ImportedPreferences p;
  if (ini.ValueExists(kPreferences, settings::kFiat.name))
    p.fiat = ini.ReadInteger(kPreferences, settings::kFiat.name, 0);
  if (ini.ValueExists(kPreferences, settings::kSavePassPhrase.name))
    p.savePassPhrase = ini.ReadBool(kPreferences, settings::kSavePassPhrase.name, true);
  p.useProxy = ini.ReadBool(kPreferences, settings::kUseProxy.name, false);
  p.proxyHost = ini.ReadString(kPreferences, settings::kProxyHost.name);
  p.proxyPort = ini.ReadString(kPreferences, settings::kProxyPort.name);
  p.proxyUser = ini.ReadString(kPreferences, settings::kProxyUser.name);
  p.proxyPasswd = ini.ReadString(kPreferences, settings::kProxyPasswd.name);
  p.hotkeyBalance = ini.ReadInteger(kPreferences, settings::kHotkeyBalance.name, 0);
  p.hotkeySpend = ini.ReadInteger(kPreferences, settings::kHotkeySpend.name, 0);
  return p;
}

std::optional<std::string> ImportedPreferencesProblem(const ImportedPreferences& p) {
  ProfileSettings values;
  values.useProxy = p.useProxy;
  values.proxyHost = p.proxyHost;
  values.proxyPort = p.proxyPort;
  auto problem = PreferenceProblem(values);
  if (problem) return problem;
  if (p.fiat && (*p.fiat < 0 || *p.fiat >= static_cast<int32_t>(std::size(kCurrencyItems))))
    return "The display currency " + std::to_string(*p.fiat) + " is not one of the list.";
  for (const auto& [name, value] : {std::pair<const char*, int32_t>{"update all balances", p.hotkeyBalance},
                                    std::pair<const char*, int32_t>{"open spend form", p.hotkeySpend}}) {
    if (value > kMaxHotkeyValue)
      return std::string("The hotkey to ") + name + " (" + std::to_string(value) + ") is not a hotkey.";
  }
  return std::nullopt;
}

std::optional<std::string> ProxyTurnedOn(const ImportedPreferences& p, const ProxySettings& current) {
  if (!p.useProxy) return std::nullopt;
  const int port = ProxyPortOf(p.proxyPort);
  if (current.UseProxy && current.ProxyHost == p.proxyHost && current.ProxyPort == port) return std::nullopt;
  return p.proxyHost + ":" + std::to_string(port);
}

void WriteImportedPreferences(const ImportedPreferences& p, SettingsStore& store) {
  if (p.fiat) store.WriteInteger(settings::kFiat.name, *p.fiat);
  if (p.savePassPhrase) store.WriteBool(settings::kSavePassPhrase.name, *p.savePassPhrase);
  store.WriteBool(settings::kUseProxy.name, p.useProxy);
  store.WriteString(settings::kProxyHost.name, p.proxyHost);
  store.WriteString(settings::kProxyPort.name, p.proxyPort);
  store.WriteString(settings::kProxyUser.name, p.proxyUser);
  store.WriteString(settings::kProxyPasswd.name, p.proxyPasswd);
  store.WriteInteger(settings::kHotkeyBalance.name, p.hotkeyBalance);
  store.WriteInteger(settings::kHotkeySpend.name, p.hotkeySpend);
}

void ImportPreferences(const IniFile& ini, SettingsStore& store) {
  const ImportedPreferences preferences = ReadImportedPreferences(ini);
  if (auto problem = ImportedPreferencesProblem(preferences)) throw ImportStop(*problem);
  WriteImportedPreferences(preferences, store);
}

void ImportAccounts(const SettingsFileContent& content, const std::vector<int>& chosen,
                    AccountImporter& target, ImportReport& report) {
  for (int index : chosen) {
    if (index < 0 || index >= static_cast<int>(content.accounts.size())) continue;
    const ImportLine& line = content.accounts[static_cast<std::size_t>(index)];
    std::string whyNot;
    const std::optional<AccountRecord> record = ImportedAccount(line, &whyNot);
    if (!record) {
      report.skippedAccounts.push_back({ImportLineCaption(line), whyNot});
      continue;
    }
    const int existing = target.FindAccount(record->ID);
    if (existing < 0) {
      const int position = target.AppendAccount(*record);
      if (position < 0)
        throw ImportStop("The import stopped at account " + record->ID + ": the profile holds " +
                         std::to_string(ProfileModel::kMaxAccounts) + " accounts, the most it can.");
      ++report.accountsImported;
      target.RefreshAccount(position);
      continue;
    }
    if (target.ConfirmOverwrite(record->ID)) {
      target.ReplaceAccount(existing, *record);
      ++report.accountsImported;
    } else {
      ++report.accountsKept;
    }
    target.RefreshAccount(existing);
  }
}

namespace {
std::string Counted(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}
}  // namespace

std::string ImportReportText(const ImportReport& r) {
  std::string text = "Done!\n\n" + Counted(r.accountsImported, "account", "accounts") + " imported.";
  if (r.accountsKept > 0)
    text += "\n" + Counted(r.accountsKept, "existing account", "existing accounts") + " kept as it was.";
  if (r.contactsChosen) text += "\n" + Counted(r.contactsAdded, "contact", "contacts") + " added.";
  if (r.settingsChosen)
    text += r.settingsImported ? std::string("\nSettings imported.")
                               : "\nSettings not imported: " + r.settingsNotImported;
  const auto list = [&text](const char* heading, const std::vector<SkippedEntry>& entries) {
    if (entries.empty()) return;
    text += std::string("\n\n") + heading;
    for (const SkippedEntry& e : entries) text += "\n" + e.caption + ": " + e.reason;
  };
  list("Accounts not imported:", r.skippedAccounts);
  list("Contacts not added:", r.skippedContacts);
  return text;
}

}  // namespace nummora
