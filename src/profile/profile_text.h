#pragma once
// What a text must not hold to be kept in the profile. The profile document has no escaping:
// elements are found by searching for their tags, so a "<" or ">" inside a value could open,
// close or hide an element when the profile is read again. Every text the user types into the
// profile (account editor, new contact or recipient, import, the command line) is checked here
// before it reaches the model.
#include <optional>
#include <string>
#include <string_view>

#include "profile/model.h"

namespace nummora {

// Whether a text holds "<" or ">".
bool HoldsTagCharacter(std::string_view text);

// Why the text typed into the field `field` (its label, as the user sees it) cannot be kept in
// the profile; nothing when it can. The message names the field, never the text, which may be a
// pass phrase.
std::optional<std::string> FieldTextProblem(std::string_view field, std::string_view text);

// The first problem of an account's texts (ID, name, pass phrase or security word, API name).
std::optional<std::string> AccountTextProblem(const AccountRecord& account);

// The first problem of a contact's five texts.
std::optional<std::string> ContactTextProblem(const ContactRecord& contact);

}  // namespace nummora
