#include "contacts/address_book.h"

namespace nummora {

const std::string& ContactNumber(const TContact& contact, int type) {
  return type == kAccountTypeLibertyReserve ? contact.LRID : contact.EgoldID;
}

std::string SpendToLink(const TContact& contact, int accountType) {
  int type = accountType;
  if (type < 0) type = contact.EgoldID.empty() && !contact.LRID.empty() ? kAccountTypeLibertyReserve : 0;
  return "nmr://payto=" + ContactNumber(contact, type);
}

std::vector<std::pair<std::string, std::string>> RecipientRows(const std::vector<TContact>& contacts,
                                                               int type) {
  std::vector<std::pair<std::string, std::string>> rows;
  for (const TContact& c : contacts)
    if (!ContactNumber(c, type).empty()) rows.emplace_back(c.Name, ContactNumber(c, type));
  return rows;
}

std::string ContactLimitMessage() {
  return "The address book is full: it holds at most " + std::to_string(ProfileModel::kMaxSavedContacts) +
         " contacts. Delete a contact before adding another.";
}

}  // namespace nummora
