#pragma once
// The outcome of one payment, worked out from the server's reply (or the transport's failure
// message): paid with its receipt, refused with the server's reason, or unknown. A reply that
// is neither a receipt nor an error is never taken for success: money may have moved, so the
// user is told to check the history before paying again. Plain records, no threads, no Qt.
#include <optional>
#include <string>

#include "common/currency.h"

namespace nummora {

enum class PaymentResult {
  Paid,              // a receipt came back
  Refused,           // the server answered with an error; nothing was paid
  Unknown,           // neither a receipt nor an error: the payment may or may not have gone
  TransportFailure,  // the exchange failed; the server may still have received the request
};

inline constexpr const char* kPaymentUnknownText =
    "Payment outcome unknown: check the history before paying again.";

struct PaymentOutcome {
  PaymentResult result = PaymentResult::Unknown;
  // Refused: the server's error text; Unknown: kPaymentUnknownText; TransportFailure: the
  // transport's message. Empty when paid.
  std::string message;
  std::string batch;      // e-gold batch number or Liberty Reserve receipt id
  std::string payeeName;  // as the receipt names the payee
  // e-gold: the ounces that left the account (ACTUAL_PAYMENT_OUNCES), 0 when unreadable.
  double ounces = 0;
  // Liberty Reserve: the fee as the receipt writes it, and the source's balance after the
  // payment (absent when the receipt holds no readable ClosingBalance).
  std::string fee;
  std::optional<Currency> closingBalance;

  bool Paid() const { return result == PaymentResult::Paid; }
};

PaymentOutcome RefusedPayment(std::string message);
PaymentOutcome UnknownPayment();
PaymentOutcome PaymentTransportFailure(std::string message);

// A request or reply text as the events list may show it: every pass phrase ("PassPhrase="
// to the end of its line) and every Liberty Reserve token (plain or URL-encoded) as asterisks.
std::string PaymentLogText(const std::string& text);

}  // namespace nummora
