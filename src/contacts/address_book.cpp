#include "contacts/address_book.h"

namespace nummora {

const std::string& ContactNumber(const ContactRecord& contact, AccountType type) {
  return type == AccountType::LibertyReserve ? contact.LRID : contact.EgoldID;
}

std::string SpendToLink(const ContactRecord& contact, std::optional<AccountType> accountType) {
  const AccountType type = accountType.value_or(
      contact.EgoldID.empty() && !contact.LRID.empty() ? AccountType::LibertyReserve : AccountType::Egold);
  return "nmr://payto=" + ContactNumber(contact, type);
}

std::vector<std::pair<std::string, std::string>> RecipientRows(const std::vector<ContactRecord>& contacts,
                                                               AccountType type) {
  std::vector<std::pair<std::string, std::string>> rows;
  for (const ContactRecord& c : contacts)
    if (!ContactNumber(c, type).empty()) rows.emplace_back(c.Name, ContactNumber(c, type));
  return rows;
}

std::string ContactLimitMessage() {
  return "The address book is full: it holds at most " + std::to_string(ProfileModel::kMaxSavedContacts) +
         " contacts. Delete a contact before adding another.";
}

}  // namespace nummora
