#include "profile/profile_text.h"

namespace nummora {

bool HoldsTagCharacter(std::string_view text) {
  return text.find_first_of("<>") != std::string_view::npos;
}

std::optional<std::string> FieldTextProblem(std::string_view field, std::string_view text) {
  if (!HoldsTagCharacter(text)) return std::nullopt;
  return "The field \"" + std::string(field) + "\" must not contain \"<\" or \">\".";
}

std::optional<std::string> AccountTextProblem(const AccountRecord& account) {
  const bool egold = account.Type == AccountType::Egold;
  if (auto problem = FieldTextProblem(egold ? "E-gold #" : "Account #", account.ID)) return problem;
  if (auto problem = FieldTextProblem("Account name", account.Name)) return problem;
  if (auto problem = FieldTextProblem(egold ? "Passphrase" : "Password", account.Password)) return problem;
  return FieldTextProblem("API name", account.APIname);
}

std::optional<std::string> ContactTextProblem(const ContactRecord& contact) {
  if (auto problem = FieldTextProblem("Name", contact.Name)) return problem;
  if (auto problem = FieldTextProblem("E-gold #", contact.EgoldID)) return problem;
  if (auto problem = FieldTextProblem("Liberty Reserve #", contact.LRID)) return problem;
  if (auto problem = FieldTextProblem("E-mail", contact.Email)) return problem;
  return FieldTextProblem("Comment", contact.Comment);
}

}  // namespace nummora
