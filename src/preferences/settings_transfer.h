#pragma once
// The settings file that carries accounts, preferences and the address book from one profile
// to another: what an export writes into it and what an import reads out of it. A Windows-style
// INI file (common/ini_file.h) with the sections "General", "Accounts", "Preferences" and
// "Address book"; numbered keys run from 1 without gaps, and a reader stops at the first number
// whose "Name" key is missing. Pass phrases, balances and history never go into it.
#include <optional>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/ini_file.h"
#include "preferences/preference_values.h"
#include "profile/model.h"

namespace nummora {

class SettingsStore;

inline constexpr const char* kSettingsFileExtension = "nex";

// The preferences an export writes, in the file's terms.
struct ExportedPreferences {
  int fiat = 0;
  bool savePassPhrase = true;
  int hotkeyBalance = 0;
  int hotkeySpend = 0;
  bool useProxy = false;
  std::string proxyHost, proxyPort, proxyUser, proxyPasswd;
};
ExportedPreferences ExportedPreferencesOf(const ProfileSettings& values);

// Writes an export into `ini` (keys already there and not written now stay): "General" "Date"
// and "Comment", the accounts (in the order given), "General" "Accounts", then the preferences
// when given and the contacts when given and not empty.
void WriteSettingsExport(IniFile& ini, const std::string& dateText, const std::string& comment,
                         const std::vector<AccountRecord>& accounts, const ExportedPreferences* preferences,
                         const std::vector<ContactRecord>* contacts);

// One "Accounts" entry of a settings file, as it stands.
struct ImportLine {
  std::string name;
  std::string account;
  bool startup = false;
  int32_t refresh = 0;
};

// What an import dialog shows of a settings file.
struct SettingsFileContent {
  std::string comment;
  std::vector<ImportLine> accounts;
  bool hasPreferences = false;
  bool hasAddressBook = false;
  std::vector<ContactRecord> contacts;  // comments empty
};
SettingsFileContent ReadSettingsFile(const IniFile& ini);

// The line of the import list for an entry: name, " <", account, ">".
std::string ImportLineCaption(const ImportLine& line);

// An import that must stop at an entry; the message names the account and the reason.
class ImportStop : public NummoraError {
 public:
  using NummoraError::NummoraError;
};

// The account record an entry imports as: an e-gold account with the name, number, startup
// flag and refresh interval, everything else empty. Nothing for an entry that cannot be
// imported, with the reason in `whyNot` (when given): a number that is not a whole number above
// 0 (Liberty Reserve numbers and text), or a name the account editor would refuse (it holds "<"
// or ">"; the message names the field as the editor's does). Throws ImportStop for a refresh
// interval outside 0 to 65535.
std::optional<AccountRecord> ImportedAccount(const ImportLine& line, std::string* whyNot = nullptr);

// Why a contact of the file cannot be added, with the message of the contact editor; nothing
// when it can.
std::optional<std::string> ImportedContactProblem(const ContactRecord& contact);

// The preferences a settings file carries, as an import writes them into the profile key:
// "Fiat" and "SavePassPhrase" only when the file has them, the proxy values and the hotkeys
// always (missing ones as off, empty or 0).
struct ImportedPreferences {
  std::optional<int32_t> fiat;
  std::optional<bool> savePassPhrase;
  bool useProxy = false;
  std::string proxyHost, proxyPort, proxyUser, proxyPasswd;
  int32_t hotkeyBalance = 0;
  int32_t hotkeySpend = 0;

  ImportedPreferences() = default;
  ImportedPreferences(const ImportedPreferences&) = default;
  ImportedPreferences& operator=(const ImportedPreferences&) = default;
  ~ImportedPreferences();  // wipes the proxy password
};
ImportedPreferences ReadImportedPreferences(const IniFile& ini);

// Why the preferences cannot be imported, or nothing: the checks the preferences dialog makes
// before it saves (with its messages), a display currency that is not in its list, and a
// hotkey value that no hotkey box can hold (the next load of the preferences would stop at it).
std::optional<std::string> ImportedPreferencesProblem(const ImportedPreferences& preferences);

// The proxy the imported preferences turn on, as "host:port", when they use one and `current`
// (the proxy the profile key holds now) is off or another one; nothing otherwise.
std::optional<std::string> ProxyTurnedOn(const ImportedPreferences& preferences,
                                         const ProxySettings& current);

// Writes the imported preferences into the profile key (the store's current key). Throws
// SettingsError.
void WriteImportedPreferences(const ImportedPreferences& preferences, SettingsStore& store);

// Reads the preferences of the file and writes them into the profile key, refusing (ImportStop,
// nothing written) what ImportedPreferencesProblem refuses. Throws SettingsError.
void ImportPreferences(const IniFile& ini, SettingsStore& store);

// The import of accounts into a profile, step by step, as the import dialog runs it.
class AccountImporter {
 public:
  virtual ~AccountImporter() = default;
  // The table position of the account with this number, or -1.
  virtual int FindAccount(const std::string& id) = 0;
  // Appends the record as a new entry with its row; returns its position, or -1 when the
  // table is full.
  virtual int AppendAccount(const AccountRecord& account) = 0;
  // Whether the existing account may be overwritten (the question to the user).
  virtual bool ConfirmOverwrite(const std::string& id) = 0;
  // Replaces the entry at the position, keeping its place.
  virtual void ReplaceAccount(int position, const AccountRecord& account) = 0;
  // Starts a balance refresh of the entry and shows its row.
  virtual void RefreshAccount(int position) = 0;
};

// An entry of the file that was not imported, and why.
struct SkippedEntry {
  std::string caption;  // the import list's line of an account, the name of a contact
  std::string reason;
};

// What an import did, for the box that ends it.
struct ImportReport {
  int accountsImported = 0;  // added, or overwritten with the user's consent
  int accountsKept = 0;      // existing accounts the user chose not to overwrite
  std::vector<SkippedEntry> skippedAccounts;
  bool contactsChosen = false;
  int contactsAdded = 0;
  std::vector<SkippedEntry> skippedContacts;
  bool settingsChosen = false;
  bool settingsImported = false;
  std::string settingsNotImported;  // why, when chosen and not imported
};

// Imports the chosen entries (indexes into `content.accounts`) in order, counting into `report`
// what was imported, kept and skipped (with the reason). Throws ImportStop at an entry with a bad
// refresh interval or when the table is full; entries imported before stay, and `report` counts
// them.
void ImportAccounts(const SettingsFileContent& content, const std::vector<int>& chosen,
                    AccountImporter& target, ImportReport& report);
inline void ImportAccounts(const SettingsFileContent& content, const std::vector<int>& chosen,
                           AccountImporter& target) {
  ImportReport report;
  ImportAccounts(content, chosen, target, report);
}

// The text of the box that ends an import: "Done!", how many accounts were imported (and kept,
// contacts added, whether the settings were imported), then each entry left out with its reason.
std::string ImportReportText(const ImportReport& report);

}  // namespace nummora
