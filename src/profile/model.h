#pragma once
// The in-memory profile: the account table with its display order, the contacts, the proxy
// settings and the shared state kept beside them. Plain data and lookups only; the main
// window owns one ProfileModel for the whole run and shows it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/account_label.h"
#include "common/account_type.h"
#include "common/currency.h"
#include "common/datetime.h"

namespace nummora {

// Metals in the order the program always uses: gold, silver, platinum, palladium.
enum Metal { kGold = 0, kSilver = 1, kPlatinum = 2, kPalladium = 3 };
inline constexpr int kMetalCount = 4;
using MetalAmounts = std::array<double, kMetalCount>;

// A pass phrase (e-gold) or security word (Liberty Reserve) shorter than this counts as not
// stored: it is asked for before each request that needs it.
inline constexpr std::size_t kStoredPassPhraseMinimum = 6;
inline bool PassPhraseStored(const std::string& password) {
  return password.size() >= kStoredPassPhraseMinimum;
}

// One account, copied by value into workers and dialogs.
struct AccountRecord {
  int8_t Index = 0;  // the entry's own position in the account table
  AccountType Type = AccountType::Egold;
  std::string Name;         // the user's label; may be empty
  std::string ID;           // account number; empty marks a deleted entry
  std::string Password;     // e-gold pass phrase or Liberty Reserve security word
  bool Refreshing = false;  // a balance refresh is running (memory only)
  TDateTime Updated = 0;    // last answer from the payment system
  bool Update = false;      // refresh when the profile is opened
  uint16_t Refresh = 0;     // automatic refresh interval in minutes; 0 = none
  int32_t Batch = 0;        // newest known transaction
  TDateTime BatchDate = 0;  // date up to which the history is known
  uint8_t Status = 0;       // kStatusAccepted or kStatusRefused (memory only)
  double Gold = 0;
  double Silver = 0;
  double Platinum = 0;
  double Palladium = 0;
  std::string APIname;  // Liberty Reserve API name
  Currency LRusd = 0;   // fixed point, amount * 10000
  Currency LReur = 0;   // fixed point, amount * 10000
};

// AccountRecord::Status: the outcome of the last answer received for the account.
inline constexpr uint8_t kStatusAccepted = 0;
// The answer reported a login failure (e-gold) or an error block (Liberty Reserve).
inline constexpr uint8_t kStatusRefused = 3;

struct ProxySettings {
  bool UseProxy = false;
  std::string ProxyHost;
  int32_t ProxyPort = 443;
  std::string ProxyUser;
  std::string ProxyPasswd;
};

// One address-book entry: five texts, any of them may be empty.
struct ContactRecord {
  std::string Name;
  std::string EgoldID;
  std::string LRID;
  std::string Email;
  std::string Comment;

  bool operator==(const ContactRecord&) const = default;
};

// "Name (ID)", or the ID alone when the name is empty.
std::string AccountLabel(const AccountRecord& account);

class ProfileModel {
 public:
  // The table holds at most this many entries (deleted ones included).
  static constexpr int kMaxAccounts = 127;
  // A new account may be created only while the table holds fewer entries than this.
  static constexpr int kNewAccountLimit = 126;
  // The address book adds contacts only up to this many. A profile read from a file may
  // hold more; they are all kept and saved.
  static constexpr int kMaxSavedContacts = 128;

  ProfileModel() = default;
  ProfileModel(const ProfileModel&) = default;
  ProfileModel& operator=(const ProfileModel&) = default;
  ~ProfileModel() { WipeSecrets(); }

  // Empties the table, the rows, the contacts and the rates; keeps the proxy and the display
  // currency, which come from the preferences.
  void Clear();

  // --- account table ---
  int AccountCount() const { return static_cast<int>(accounts_.size()); }
  const std::vector<AccountRecord>& Accounts() const { return accounts_; }
  bool IsValidPosition(int position) const { return position >= 0 && position < AccountCount(); }
  // The entry at a table position; the position must be valid.
  AccountRecord& Account(int position);
  const AccountRecord& Account(int position) const;
  // Whether the New account action is offered (fewer than 126 entries, deleted ones counted).
  bool CanCreateAccount() const { return AccountCount() < kNewAccountLimit; }

  // Appends an entry (its Index set to its position) and a row at the bottom of the list that
  // shows it. Returns the table position, or -1 when the table is full.
  int AppendAccount(AccountRecord account);
  // Clears the entry's ID and removes every row that shows it; the entry keeps its place.
  void DeleteAccount(int position);

  // --- rows of the accounts list (display order) ---
  int RowCount() const { return static_cast<int>(rows_.size()); }
  const std::vector<int>& Rows() const { return rows_; }
  // The selected row, -1 for none.
  int SelectedRow() const { return selected_row_; }
  void SetSelectedRow(int row);
  // The table position carried by a row; row -1 means the selected row. -1 when the row does
  // not exist or nothing is selected.
  int AccountOfRow(int row) const;
  // The first row that carries this table position; -1 when none does (a deleted entry).
  int RowOfAccount(int position) const;
  // Exchanges the table positions carried by two rows; the table is untouched. Returns false
  // when either row does not exist.
  bool SwapRows(int row_a, int row_b);
  // Moves the account of a row one row up or down, and the selection with it when it was on
  // that row. Returns the row the account is shown in afterwards, or -1 when it cannot move.
  int MoveRowUp(int row);
  int MoveRowDown(int row);
  // The row to select after a profile was opened: the only row when there is one; with more,
  // the row of `default_account` (a table position from the preferences) if it has one; else -1.
  int InitialSelectionRow(int default_account) const;
  // Whether an entry has a row, that is, takes part in refreshes and saves.
  bool IsLive(int position) const { return RowOfAccount(position) >= 0; }

  // --- lookups ---
  // The lowest table position whose ID equals `id` exactly (deleted entries included); -1 if none.
  int FindAccount(const std::string& id) const;
  bool AccountExists(const std::string& id) const { return FindAccount(id) != -1; }

  // --- contacts, in the user's order ---
  std::vector<ContactRecord>& Contacts() { return contacts_; }
  const std::vector<ContactRecord>& Contacts() const { return contacts_; }
  // Whether the address book may add one more contact.
  bool CanAddContact() const { return static_cast<int>(contacts_.size()) < kMaxSavedContacts; }
  // Appends a contact; false (and nothing changes) when the profile already holds
  // kMaxSavedContacts contacts or more.
  bool AddContact(ContactRecord contact);

  // --- settings and shared state ---
  ProxySettings Proxy;
  std::string DisplayCurrency = "USD";
  // The last metal-rates answer, kept in the profile. Set it through SetRatesText.
  std::string RatesText;
  TDateTime RatesTime = 0;

  // Keeps a rates answer as RatesText. An answer holding "<" or ">" is not kept (RatesText
  // becomes empty and false is returned): stored in the profile, its text could add or hide
  // elements when the profile is read again. The rates are asked for at every opening anyway.
  bool SetRatesText(std::string text);

  // Wipes every secret the model holds (pass phrases, security words, proxy password).
  void WipeSecrets();

 private:
  std::vector<AccountRecord> accounts_;
  std::vector<int> rows_;
  int selected_row_ = -1;
  std::vector<ContactRecord> contacts_;
};

}  // namespace nummora
