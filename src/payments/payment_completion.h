#pragma once
// Applies a completed single payment to the program through the payment dialog's host: the
// balances of the accounts involved, the last-operations records, the accounts fetched again,
// the memo and merchant histories, and the program-wide changed flag. Runs on the main thread
// whether or not the dialog that sent the payment is still open.
#include "payments/payment_effects.h"

namespace nummora {

class PaymentHost;

// The names of the histories of a payment system's memo and merchant fields.
const char* MemoHistoryName(AccountType type);
const char* MerchantHistoryName(AccountType type);

void ApplyPayment(PaymentHost& host, const SentPayment& sent, const PaymentOutcome& outcome);

// Adds `text` to the stored history `name` when it is worth remembering; false when it is not
// or the history could not be written.
bool RememberText(PaymentHost& host, const char* name, const std::string& text);

}  // namespace nummora
