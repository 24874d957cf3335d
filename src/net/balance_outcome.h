#pragma once
// The outcome of one balance refresh, worked out from a copy of the account and the server's
// answer (or the transport's failure message): the notice to show, the events-list lines,
// whether and what to store, and whether to fetch the recent payments. The refresh workers
// only carry these results to the main thread and apply them there.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/datetime.h"
#include "common/format_settings.h"
#include "common/notify_kind.h"
#include "net/egold.h"
#include "profile/model.h"

namespace nummora {

// The balances a refresh reads: the four metals of an e-gold account, or the dollars and euros
// of a Liberty Reserve account (`type` says which).
struct AccountBalances {
  AccountType type = AccountType::Egold;
  MetalAmounts metals{};
  Currency usd = 0;
  Currency eur = 0;
};

// The balances of an account's own payment system.
AccountBalances BalancesOf(const AccountRecord& account);
// Writes them into an entry; its other fields (the other system's balances included) stay.
void StoreBalances(const AccountBalances& balances, AccountRecord& entry);

// A refresh notices an error or, for a balance change, gives information.
using BalanceNoticeKind = NotifyKind;

struct BalanceNotice {
  NotifyKind kind = NotifyKind::Error;
  std::string title;
  std::string message;
};

struct BalanceOutcome {
  // The tray notice, if any (always a balloon, never a dialog).
  std::optional<BalanceNotice> notice;
  // Whether the table entry gets Updated = now and Status = newStatus (an answer came).
  bool store = false;
  // Whether it also gets the balances of `account`: only when the answer held balances. A
  // refusal (login failure, lock-out, error answer) leaves the entry's balances as the main
  // thread has them, which may have changed since the copy was taken (a payment, for example).
  bool storeBalances = false;
  uint8_t newStatus = 0;
  // The refreshed copy of the account: the balances Store writes.
  AccountRecord account;
  // An e-gold balance changed: the last operations should fetch the payments received.
  bool fetchRecentPayments = false;
  // The answer could not be read (a match past the 16-bit text positions): nothing is stored.
  bool readFailed = false;
  // Events-list messages after the exchange, in order; each becomes a line of the current
  // time, ": " and the message. None of them holds a pass phrase or security word.
  std::vector<std::string> events;
};

// Title of the notice for a transport failure.
inline constexpr const char* kConnectionProblemTitle = "Connection problem!";
inline constexpr const char* kBalanceChangedTitle = "Balance changed";

// The events-list line logged before an e-gold balance request: the address of the balance
// page directly followed by the login line, with the pass phrase shown as asterisks.
std::string EgoldRequestLogLine(const std::string& serverBase, const AccountRecord& account);

// The outcome of an e-gold refresh whose exchange succeeded, from the balance page. The rates,
// display currency and number format are the main window's at the time (for the value shown in
// the change notice).
BalanceOutcome EgoldBalanceOutcome(const AccountRecord& account, const std::string& serverBase,
                                   const std::string& page, const MetalAmounts& rates,
                                   const std::string& displayCurrency, const FormatSettings& numberFormat);

// The outcome of an e-gold refresh whose exchange failed with the given message (the request
// line was logged before the exchange).
BalanceOutcome EgoldTransportFailure(const AccountRecord& account, const std::string& failureMessage);

// The outcome of a Liberty Reserve refresh whose exchange succeeded, from the XML answer.
BalanceOutcome LRBalanceOutcome(const AccountRecord& account, const std::string& answer,
                                const FormatSettings& numberFormat);

// The outcome of a Liberty Reserve refresh whose exchange failed with the given message.
BalanceOutcome LRTransportFailure(const AccountRecord& account, const std::string& failureMessage);

// Store: writes only the refresh's results into the table entry (the balances read, if any:
// e-gold the four metals, Liberty Reserve dollars and euros), then Updated = now and Status =
// newStatus. Other fields keep what the main thread made of them meanwhile. Does nothing when
// the outcome stores nothing.
void ApplyBalanceOutcome(const BalanceOutcome& outcome, AccountRecord& entry, TDateTime now);

}  // namespace nummora
