#pragma once
// An e-gold payment: the preview request ("/acct/verify.asp") with the reading of its page
// (the payee's name, the first-time notice, error pages), and the payment request
// ("/acct/confirm.asp") with the reading of its receipt. Requests are lists of form lines
// (net/form_encoding.h encodes each value, so typed text never adds or changes a field).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/format_settings.h"
#include "payments/payment_outcome.h"
#include "profile/model.h"

namespace nummora {

// The units an e-gold amount is given in: the caption shown and the code sent as "PAY_IN=".
struct EgoldUnit {
  const char* caption;
  uint16_t code;
};
inline constexpr int kEgoldUnitCount = 26;
extern const std::array<EgoldUnit, kEgoldUnitCount> kEgoldUnits;

// The metals as sent in "WORTH_OF=", in the order of the account's balance fields.
extern const std::array<const char*, 4> kEgoldMetalNames;

inline constexpr const char* kFirstTimeSpendText =
    "This is the first time you have spent to this particular e-gold account.";
inline constexpr const char* kFirstTimeNotice =
    "This is the first time you have spent to this particular e-gold account. Please make sure "
    "that it is the account that you intend to spend to.";

// What the user asked for, exactly as typed (values are sent without trimming or re-formatting).
struct EgoldPayment {
  std::string payee;           // Payee_Account
  std::string amount;          // Amount
  uint16_t payIn = 1;          // PAY_IN
  std::string metal = "Gold";  // WORTH_OF
  std::string memo;            // Memo (payment only)
  std::string merchant;        // PAYMENT_ID (payment only)
};

// Login, Payee_Account, Amount, PAY_IN, WORTH_OF. Holds the pass phrase: wipe after use.
std::vector<std::string> EgoldVerifyFields(const AccountRecord& source, const EgoldPayment& payment);
// The preview's fields followed by Memo and PAYMENT_ID.
std::vector<std::string> EgoldConfirmFields(const AccountRecord& source, const EgoldPayment& payment);

struct EgoldPreview {
  std::string error;       // the page's error text; empty when the page reports none
  std::string payeeName;   // hidden input PAYEE_NAME (empty when absent)
  bool firstTime = false;  // the page says this is the first payment to that account
};

// Reads the preview page: its error text (the login-failure sentence counts only on a page
// without the payee's name, where it cannot be that name's echo), else the payee's name. A
// page that cannot be read (a field past the 16-bit text positions) gives an error text.
EgoldPreview ReadEgoldPreview(const std::string& page, const std::string& sourceId);

// Reads the payment's reply page: paid when it holds PAYMENT_BATCH_NUM (with PAYEE_NAME and
// ACTUAL_PAYMENT_OUNCES read with the number format), whatever else it says; else refused on
// an error page (net/egold.h EgoldErrorText); anything else is unknown.
PaymentOutcome ReadEgoldReceipt(const std::string& page, const std::string& sourceId,
                                const FormatSettings& numberFormat);

}  // namespace nummora
