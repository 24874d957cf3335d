#pragma once
// The e-mail notice of a payment, sent by the vendor web service: when the form may be sent,
// the form lines it posts, and the particulars taken from a last-operations row. Pure functions.
#include <string>
#include <vector>

#include "operations/payment_record.h"

namespace nummora {

inline constexpr const char* kEmailServicePath = "/services/email.php";

// The sender's and the recipient's names and addresses, as typed into the notice dialog.
struct EmailParties {
  std::string fromName;
  std::string fromMail;
  std::string toName;
  std::string toMail;
};

// Whether "Send" is offered: the recipient's address is longer than 6 characters with its first
// "@" at the second character or later, and the sender gave a name longer than 1 character or
// an address longer than 5.
bool EmailSendable(const EmailParties& parties);

// The form lines of the notice, in the service's order: valtype, from, to, amount, memo,
// merchant, batch, mail_from, mail_from2, mail_to, mail_to2. A line break inside a value becomes
// a blank, so that no text can add a field.
std::vector<std::string> EmailFormLines(const PaymentNotice& notice, const EmailParties& parties);

// The same lines as form text (one line each, CR LF between them).
std::string EmailFormText(const PaymentNotice& notice, const EmailParties& parties);

}  // namespace nummora
