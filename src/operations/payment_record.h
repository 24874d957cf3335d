#pragma once
// What a completed payment leaves behind for the rest of the program: a record for the
// last-operations list, and the particulars an e-mail notice to the payee is made from.
#include <string>

#include "common/account_type.h"

namespace nummora {

// One payment made by a payment dialog, as the last-operations list takes it.
struct PaymentRecord {
  std::string kind;       // "Spent" for a payment the user sent; any other text for other rows
  std::string batch;      // the transaction (batch) number
  std::string source;     // text naming the account the payment was sent from
  std::string recipient;  // the counterpart's account number
  std::string name;       // the counterpart's name
  std::string amount;     // amount text
  std::string units;      // units text
  std::string memo;
  std::string merchant;  // merchant reference
};

// The particulars of a payment notice sent by e-mail through the vendor service.
struct PaymentNotice {
  AccountType type = AccountType::Egold;  // payment system of the sender
  std::string sender;                     // the sending account
  std::string recipient;                  // payee name + " <" + payee number + ">"
  std::string amount;                     // amount, units and metal
  std::string memo;
  std::string merchant;
  std::string batch;
};

}  // namespace nummora
