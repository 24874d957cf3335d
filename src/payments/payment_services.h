#pragma once
// What a payment dialog needs from the rest of the program. The main window fills it in; each
// member may be empty, in which case the dialog leaves that command disabled.
#include <functional>
#include <optional>
#include <string>

#include "operations/payment_record.h"

class QWidget;

namespace nummora {

struct PaymentServices {
  // Picks a payee from the address book for payment system `type` (0 e-gold, 1 Liberty
  // Reserve), modally over `owner`; nothing when the user did not accept a pick.
  std::function<std::optional<std::string>(QWidget* owner, AccountType type)> pickRecipient;
  // Opens the contact editor over `owner` with the name and, for payment system `type`, the
  // account number filled in; adds the contact when the user confirms.
  std::function<void(QWidget* owner, const std::string& name, AccountType type, const std::string& number)>
      addContact;
  // Opens the e-mail notice for a completed payment over `owner`: modally (waiting until it
  // closes) or without waiting.
  std::function<void(QWidget* owner, const PaymentNotice& notice, bool modal)> emailNotice;
  // Adds a completed payment to the last-operations list.
  std::function<void(const PaymentRecord& record)> recordPayment;
};

}  // namespace nummora
