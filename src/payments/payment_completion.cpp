#include "payments/payment_completion.h"

#include "payments/spend_host.h"
#include "platform/settings_table.h"

namespace nummora {

const char* MemoHistoryName(AccountType type) {
  return type == AccountType::Egold ? settings::kEgoldMemo.name : settings::kLibertyReserveMemo.name;
}

const char* MerchantHistoryName(AccountType type) {
  return type == AccountType::Egold ? settings::kEgoldMerchant.name : settings::kLibertyReserveMerchant.name;
}

bool RememberText(PaymentHost& host, const char* name, const std::string& text) {
  if (!WorthRemembering(text)) return false;
  std::string stored;
  try {
    stored = host.ReadHistory(name);
  } catch (const std::exception&) {
    // An unreadable history starts afresh.
  }
  return host.WriteHistory(name, AddToHistory(stored, text));
}

void ApplyPayment(PaymentHost& host, const SentPayment& sent, const PaymentOutcome& outcome) {
  const PaymentEffects effects =
      EffectsOfPayment(host.Workers().Model(), sent, outcome, host.Workers().NumberFormat());
  for (const BalanceChange& change : effects.changes)
    host.ChangeAccount(change.position,
                       [&change](AccountRecord& entry) { ApplyBalanceChange(change, entry); });
  if (host.Services().recordPayment)
    for (const PaymentRecord& record : effects.records) host.Services().recordPayment(record);
  for (int position : effects.refresh) host.RefreshBalance(position);
  if (!outcome.Paid()) return;
  host.Modified() = false;
  RememberText(host, MemoHistoryName(sent.type), sent.memo);
  RememberText(host, MerchantHistoryName(sent.type), sent.merchant);
}

}  // namespace nummora
