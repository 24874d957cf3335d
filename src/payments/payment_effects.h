#pragma once
// What a completed single payment changes in the profile: the cached balances of the source
// and of a payee that is an account of the same profile, the last-operations records, and
// which accounts should have their balances fetched again. Worked out from what was sent and
// the payment's outcome, so it can be applied whether or not the dialog that sent it is still
// open. Pure functions, no Qt.
#include <string>
#include <vector>

#include "common/currency.h"
#include "common/format_settings.h"
#include "operations/payment_record.h"
#include "payments/payment_outcome.h"
#include "profile/model.h"

namespace nummora {

// A single payment as it was sent.
struct SentPayment {
  int source = -1;                        // table position of the source account
  AccountType type = AccountType::Egold;  // its payment system
  std::string sourceText;                 // the source as the dialog named it
  std::string payee;                      // payee account number, as typed
  std::string amount;                     // as typed
  std::string units;                      // e-gold: units + " of " + metal; Liberty Reserve: currency caption
  int metal = 0;                          // e-gold: 0 gold, 1 silver, 2 platinum, 3 palladium
  bool euro = false;                      // Liberty Reserve: the payment was in euro
  std::string memo;
  std::string merchant;
};

// A change to one account's cached balance.
struct BalanceChange {
  int position = -1;
  int metal = -1;        // e-gold: the metal whose ounces change; -1 for Liberty Reserve
  double ounces = 0;     // e-gold: added (negative: taken)
  bool euro = false;     // Liberty Reserve: LReur rather than LRusd
  bool replace = false;  // Liberty Reserve: `value` becomes the balance instead of being added
  Currency value = 0;
};

void ApplyBalanceChange(const BalanceChange& change, AccountRecord& entry);

struct PaymentEffects {
  std::vector<BalanceChange> changes;
  std::vector<PaymentRecord> records;  // "Spent", and "Received" for a payee of the profile
  std::vector<int> refresh;            // accounts whose balance is fetched again
};

// Paid: the source loses the ounces the receipt names (e-gold) or takes the closing balance
// (Liberty Reserve); a payee of the profile gains them, or the amount; a "Spent" record and,
// for such a payee, a "Received" record. The e-gold accounts involved are fetched again, since
// the server's fees make the cached figures approximate; a Liberty Reserve source without a
// readable closing balance too. Unknown and transport failures: nothing is recorded and the
// source is fetched again (money may have moved). Refused: nothing at all.
PaymentEffects EffectsOfPayment(const ProfileModel& model, const SentPayment& sent,
                                const PaymentOutcome& outcome, const FormatSettings& numberFormat);

// The accounts whose balances are fetched again after a mass payment from `source`: the
// source (the mass receipt names no closing balance) and each account of the profile among
// the payees, once each.
std::vector<int> MassPaymentRefreshes(const ProfileModel& model, int source,
                                      const std::vector<std::string>& payees);

// --- the memo and merchant histories ---
// A text is remembered when, without surrounding blanks, it is longer than 3 characters.
bool WorthRemembering(const std::string& text);
// Alphabetical order of Latin-1 texts: letters compare without regard to case ("apple" before
// "Zed"); texts that differ only in case put capitals first.
bool AlphabeticalLess(const std::string& a, const std::string& b);
// The choices stored in a history value: one a line, in alphabetical order, empty lines left
// out, duplicates kept.
std::vector<std::string> HistoryChoices(const std::string& stored);
// The stored value after `text` was added (a second time when it is there already).
std::string AddToHistory(const std::string& stored, const std::string& text);

}  // namespace nummora
