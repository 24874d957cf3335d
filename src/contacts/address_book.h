#pragma once
// Rules of the address book that need no window: the payment link a contact is paid through,
// the rows of the recipient picker and the refusal of a contact beyond the limit.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "profile/model.h"

namespace nummora {

// The contact's number for payment system `type`.
const std::string& ContactNumber(const ContactRecord& contact, AccountType type);

// The payment link of "Spend To": "nmr://payto=" + the contact's e-gold number for an e-gold
// account, its Liberty Reserve number for a Liberty Reserve account. Without a selected account
// (no `accountType`) the e-gold number, or the Liberty Reserve number when the contact has only
// that one.
std::string SpendToLink(const ContactRecord& contact, std::optional<AccountType> accountType);

// The picker's rows for payment system `type`: name and number of each contact that has a
// number for it, in list order.
std::vector<std::pair<std::string, std::string>> RecipientRows(const std::vector<ContactRecord>& contacts,
                                                               AccountType type);

// The message shown when the address book is full.
std::string ContactLimitMessage();

}  // namespace nummora
