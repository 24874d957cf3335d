#include "profile/document.h"

#include <optional>

#include "common/currency.h"
#include "common/datetime.h"
#include "common/number_text.h"
#include "common/secure_memory.h"
#include "common/text_routines.h"
#include "profile/profile_text.h"

namespace nummora {
namespace {

// The tag reader counts positions in 16 bits: a match must start within the first 65535
// characters of the text it searches.
constexpr size_t kTagPositionLimit = 65535;

const char* const kCrLf = "\r\n";

// Wipes a text that may hold pass phrases when it goes out of scope.
struct WipeOnExit {
  std::string& text;
  ~WipeOnExit() { SecureWipe(text); }
};

std::string Quoted(const std::string& text) {
  constexpr size_t kShown = 40;
  if (text.size() <= kShown) return "\"" + text + "\"";
  return "\"" + text.substr(0, kShown) + "...\"";
}

// The text of the element <name>...</name> inside an element's content, found by its exact
// opening tag (so "<Update>" is not taken from "<Updated>"); empty when absent.
std::string Field(const std::string& content, const char* name) {
  const std::string open = std::string("<") + name + ">";
  const std::string close = std::string("</") + name + ">";
  size_t start = content.find(open);
  if (start == std::string::npos) return {};
  start += open.size();
  size_t end = content.find(close, start);
  if (end == std::string::npos) return {};
  return content.substr(start, end - start);
}

// Walks the elements of one name through a document. Each step hands the tag reader a slice
// that starts at the next opening tag, so its positions stay small however long the document
// is; an element the reader cannot take is reported instead of ending the walk quietly.
class ElementWalk {
 public:
  ElementWalk(const std::string& text, std::string name) : text_(text), name_(std::move(name)) {}

  enum class Outcome { kElement, kEnd, kTooLong, kEmpty };

  // The next element's content in `content`, or why there is none.
  Outcome Next(std::string& content) {
    content.clear();
    const size_t open = text_.find("<" + name_, offset_);
    if (open == std::string::npos) return Outcome::kEnd;
    const std::string close_tag = "</" + name_ + ">";
    const size_t full = std::min(text_.size() - open, kTagPositionLimit + close_tag.size() + 8);
    // Usually the element ends at the first closing tag: try a slice that just holds it, and
    // the widest slice the tag reader can take only when that reads nothing.
    const size_t first_close = text_.find(close_tag, open);
    const size_t tight = first_close == std::string::npos ? full : first_close - open + close_tag.size();
    for (size_t length : {std::min(tight, full), full}) {
      std::string slice = text_.substr(open, length);
      WipeOnExit wipe{slice};
      const size_t before = slice.size();
      try {
        content = ExtractTag(slice, name_, true);
      } catch (const ERangeError&) {
        return Outcome::kTooLong;
      }
      if (!content.empty()) {
        offset_ = open + (before - slice.size());
        return Outcome::kElement;
      }
      if (length == full) break;
    }
    // Nothing read: the end, unless a complete element is still there.
    const size_t close = text_.find(close_tag, open);
    if (close == std::string::npos) return Outcome::kEnd;
    if (close - open >= kTagPositionLimit) return Outcome::kTooLong;
    // An empty element ends the walk; that is harmless only when no other follows.
    const size_t after = close + close_tag.size();
    if (text_.find("<" + name_, after) == std::string::npos) return Outcome::kEnd;
    return Outcome::kEmpty;
  }

 private:
  const std::string& text_;
  std::string name_;
  size_t offset_ = 0;
};

AccountRecord ReadAccount(const std::string& content, int position, const FormatSettings& regional,
                          const FormatSettings& number_format) {
  AccountRecord a;
  a.Index = static_cast<int8_t>(position);
  a.ID = Field(content, "ID");
  a.Name = Field(content, "Name");
  const std::string who = "account " + std::to_string(position + 1) + " (" + Quoted(AccountLabel(a)) + ")";

  const std::string type = Field(content, "Type");
  int32_t typeNumber = 0;
  if (!TryStrToInt(type, typeNumber)) {
    throw EProfileDocumentError("The profile cannot be read completely: " + who + " has the type " +
                                Quoted(type) + ", which is not a whole number.");
  }
  a.Type = static_cast<AccountType>(typeNumber);
  a.Password = Field(content, "Password");
  a.APIname = Field(content, "APIname");
  a.LRusd = StrToCurrDef(Field(content, "LRusd"), number_format, 0);
  a.LReur = StrToCurrDef(Field(content, "LReur"), number_format, 0);
  a.Gold = StrToFloatDef(Field(content, "Gold"), number_format, 0);
  a.Silver = StrToFloatDef(Field(content, "Silver"), number_format, 0);
  a.Platinum = StrToFloatDef(Field(content, "Platinum"), number_format, 0);
  a.Palladium = StrToFloatDef(Field(content, "Palladium"), number_format, 0);
  if (!TryStrToDateTime(Field(content, "Updated"), regional, a.Updated)) a.Updated = 0;
  bool update = false;
  a.Update = TryStrToBool(Field(content, "Update"), update) && update;

  const std::string refresh_text = Field(content, "Refresh");
  const int32_t refresh = StrToIntDef(refresh_text, 0);
  if (refresh < 0 || refresh > 65535) {
    throw EProfileDocumentError("The profile cannot be read completely: " + who +
                                " has the refresh interval " + Quoted(refresh_text) +
                                ", outside 0 to 65535 minutes.");
  }
  a.Refresh = static_cast<uint16_t>(refresh);
  a.Batch = StrToIntDef(Field(content, "Batch"), 0);
  if (!TryStrToDate(Field(content, "BatchDate"), regional, a.BatchDate)) a.BatchDate = 0;
  a.Refreshing = false;
  a.Status = kStatusAccepted;
  return a;
}

[[noreturn]] void ThrowUnreadable(const std::string& what, ElementWalk::Outcome outcome) {
  if (outcome == ElementWalk::Outcome::kTooLong) {
    throw EProfileDocumentError("The profile cannot be read completely: " + what +
                                " is longer than 65535 characters.");
  }
  throw EProfileDocumentError("The profile cannot be read completely: " + what +
                              " is empty and more follow.");
}

// The rates as they are written: a text holding "<" or ">" could add or hide elements when the
// profile is read again, and one longer than the reader takes would not come back; neither is
// kept. The rates are asked for again at every opening.
std::string WrittenRates(const std::string& rates) {
  if (HoldsTagCharacter(rates) || rates.size() + 7 >= kTagPositionLimit) return {};
  return rates;
}

// The first stored field of `read` that differs from the account as it was written; nothing
// when every one came back. Numbers and dates are compared in their written form, which is
// what the document keeps of them.
const char* DifferingField(const AccountRecord& written, const AccountRecord& read, bool save_passwords,
                           const FormatSettings& regional, const FormatSettings& number_format) {
  auto number = [&number_format](double value) { return FloatToStr(value, number_format); };
  if (read.Type != written.Type) return "type";
  if (read.ID != written.ID) return "account number";
  if (read.Name != written.Name) return "name";
  if (read.Password != (save_passwords ? written.Password : std::string())) return "pass phrase";
  if (read.APIname != written.APIname) return "API name";
  if (read.LRusd != written.LRusd || read.LReur != written.LReur) return "balance";
  if (number(read.Gold) != number(written.Gold) || number(read.Silver) != number(written.Silver) ||
      number(read.Platinum) != number(written.Platinum) ||
      number(read.Palladium) != number(written.Palladium))
    return "balance";
  if (DateTimeToStr(read.Updated, regional) != DateTimeToStr(written.Updated, regional)) return "update time";
  if (read.Update != written.Update || read.Refresh != written.Refresh) return "update settings";
  if (read.Batch != written.Batch ||
      DateToStr(read.BatchDate, regional) != DateToStr(written.BatchDate, regional))
    return "history position";
  return nullptr;
}

// The live accounts in display order: what the document holds.
std::vector<const AccountRecord*> WrittenAccounts(const ProfileModel& model) {
  std::vector<const AccountRecord*> accounts;
  for (int row = 0; row < model.RowCount(); ++row) {
    const int position = model.AccountOfRow(row);
    if (model.IsValidPosition(position) && !model.Account(position).ID.empty())
      accounts.push_back(&model.Account(position));
  }
  return accounts;
}

// Why the profile cannot be saved when its document does not read back. The first text that
// holds "<" or ">" is the likely cause and is named by its field; the reader's own message is
// not repeated, since it may quote a pass phrase that was read from the wrong place.
[[noreturn]] void ThrowNotReadBack(const ProfileModel& model, const std::string& what) {
  for (const AccountRecord* a : WrittenAccounts(model)) {
    if (auto problem = AccountTextProblem(*a))
      throw EProfileDocumentError("The profile cannot be saved: account " + Quoted(AccountLabel(*a)) + ": " +
                                  *problem);
  }
  for (const ContactRecord& c : model.Contacts()) {
    if (auto problem = ContactTextProblem(c))
      throw EProfileDocumentError("The profile cannot be saved: contact " + Quoted(c.Name) + ": " + *problem);
  }
  throw EProfileDocumentError("The profile cannot be saved: " + what +
                              " would not read back as it is. Nothing was written.");
}

// Reads the document about to be written and checks that it gives back the model: the same
// live accounts in the same order with the same stored fields, the same contacts and the rates.
void CheckReadsBack(const ProfileModel& model, const std::string& document, const std::string& rates,
                    bool save_passwords, const FormatSettings& regional,
                    const FormatSettings& number_format) {
  ProfileDocumentContent back;
  try {
    back = ReadProfileDocument(document, regional);
  } catch (const EProfileDocumentError&) {
    ThrowNotReadBack(model, "the profile");
  }
  const std::vector<const AccountRecord*> accounts = WrittenAccounts(model);
  if (back.accounts.size() != accounts.size()) ThrowNotReadBack(model, "the list of accounts");
  for (size_t i = 0; i < accounts.size(); ++i) {
    if (const char* field =
            DifferingField(*accounts[i], back.accounts[i], save_passwords, regional, number_format))
      ThrowNotReadBack(model,
                       "the " + std::string(field) + " of account " + Quoted(AccountLabel(*accounts[i])));
  }
  if (back.contacts != model.Contacts()) ThrowNotReadBack(model, "the list of contacts");
  if (back.rates_text != rates) ThrowNotReadBack(model, "the metal rates");
}

void AppendElement(std::string& out, const char* name, const std::string& value) {
  out += '<';
  out += name;
  out += '>';
  out += value;
  out += "</";
  out += name;
  out += '>';
}

}  // namespace

ProfileDocumentContent::~ProfileDocumentContent() {
  for (AccountRecord& a : accounts) SecureWipe(a.Password);
}

bool LooksLikeProfileDocument(const std::string& text) {
  return text.compare(0, 5, "<?nmr") == 0;
}

bool HasProfileTrailer(const std::string& text) {
  return text.find(kProfileTrailer) != std::string::npos;
}

ProfileDocumentContent ReadProfileDocument(const std::string& text, const FormatSettings& regional) {
  const FormatSettings number_format = MakeNumberFormat(regional);
  ProfileDocumentContent doc;
  std::string content;
  WipeOnExit wipe{content};

  ElementWalk accounts(text, "Account");
  for (;;) {
    const auto outcome = accounts.Next(content);
    if (outcome == ElementWalk::Outcome::kEnd) break;
    const int position = static_cast<int>(doc.accounts.size());
    if (outcome != ElementWalk::Outcome::kElement)
      ThrowUnreadable("account " + std::to_string(position + 1), outcome);
    if (position >= ProfileModel::kMaxAccounts) {
      AccountRecord extra;
      extra.ID = Field(content, "ID");
      extra.Name = Field(content, "Name");
      throw EProfileDocumentError("The profile cannot be read completely: account " +
                                  std::to_string(position + 1) + " (" + Quoted(AccountLabel(extra)) +
                                  ") is one more than the 127 a profile can hold.");
    }
    doc.accounts.push_back(ReadAccount(content, position, regional, number_format));
  }

  ElementWalk contacts(text, "Contact");
  for (;;) {
    const auto outcome = contacts.Next(content);
    if (outcome == ElementWalk::Outcome::kEnd) break;
    if (outcome != ElementWalk::Outcome::kElement) {
      ThrowUnreadable("contact " + std::to_string(doc.contacts.size() + 1), outcome);
    }
    ContactRecord c;
    c.Name = Field(content, "Name");
    c.EgoldID = Field(content, "EgoldID");
    c.LRID = Field(content, "LRID");
    c.Email = Field(content, "Email");
    c.Comment = Field(content, "Comment");
    doc.contacts.push_back(std::move(c));
  }

  // The rates are a copy of the last server answer and are asked for again at every opening;
  // an element the reader cannot take just leaves them empty.
  ElementWalk rates(text, "Rates");
  if (rates.Next(content) == ElementWalk::Outcome::kElement) doc.rates_text = content;
  return doc;
}

ProfileLoadResult LoadProfile(ProfileModel& model, const std::string& text, const FormatSettings& regional) {
  ProfileDocumentContent doc = ReadProfileDocument(text, regional);
  ProfileLoadResult result;
  model.Clear();
  for (AccountRecord& a : doc.accounts) {
    const bool update = a.Update;
    const int position = model.AppendAccount(std::move(a));
    if (update) result.refresh_positions.push_back(position);
  }
  for (ContactRecord& c : doc.contacts) model.Contacts().push_back(std::move(c));
  model.SetRatesText(std::move(doc.rates_text));
  model.RatesTime = 0;
  return result;
}

std::string BuildProfileDocument(const ProfileModel& model, bool save_passwords,
                                 const FormatSettings& regional) {
  const FormatSettings number_format = MakeNumberFormat(regional);
  std::string out;
  out.reserve(1024);
  out += kProfileHeader;
  out += kCrLf;

  std::string line;
  WipeOnExit wipe{line};
  for (int row = 0; row < model.RowCount(); ++row) {
    const int position = model.AccountOfRow(row);
    if (!model.IsValidPosition(position)) continue;
    const AccountRecord& a = model.Account(position);
    if (a.ID.empty()) continue;
    line = "<Account> ";
    AppendElement(line, "Type", std::to_string(static_cast<int32_t>(a.Type)));
    AppendElement(line, "ID", a.ID);
    AppendElement(line, "Name", a.Name);
    AppendElement(line, "Password", save_passwords ? a.Password : std::string());
    AppendElement(line, "APIname", a.APIname);
    AppendElement(line, "LRusd", CurrToStr(a.LRusd, number_format));
    AppendElement(line, "LReur", CurrToStr(a.LReur, number_format));
    AppendElement(line, "Gold", FloatToStr(a.Gold, number_format));
    AppendElement(line, "Silver", FloatToStr(a.Silver, number_format));
    AppendElement(line, "Platinum", FloatToStr(a.Platinum, number_format));
    AppendElement(line, "Palladium", FloatToStr(a.Palladium, number_format));
    AppendElement(line, "Updated", DateTimeToStr(a.Updated, regional));
    AppendElement(line, "Update", a.Update ? "-1" : "0");
    AppendElement(line, "Refresh", std::to_string(a.Refresh));
    AppendElement(line, "Batch", std::to_string(a.Batch));
    AppendElement(line, "BatchDate", DateToStr(a.BatchDate, regional));
    if (line.size() >= kTagPositionLimit) {
      SecureWipe(out);
      throw EProfileDocumentError("The profile cannot be saved: the account " + Quoted(AccountLabel(a)) +
                                  " holds more than 65535 characters of text.");
    }
    line += "</Account>";
    out += line;
    out += kCrLf;
  }

  for (const ContactRecord& c : model.Contacts()) {
    line = "<Contact>";
    AppendElement(line, "Name", c.Name);
    AppendElement(line, "EgoldID", c.EgoldID);
    AppendElement(line, "LRID", c.LRID);
    AppendElement(line, "Email", c.Email);
    AppendElement(line, "Comment", c.Comment);
    if (line.size() >= kTagPositionLimit) {
      SecureWipe(out);
      throw EProfileDocumentError("The profile cannot be saved: the contact " + Quoted(c.Name) +
                                  " holds more than 65535 characters of text.");
    }
    line += "</Contact>";
    out += line;
    out += kCrLf;
  }

  const std::string rates = WrittenRates(model.RatesText);
  out += "<Rates>";
  out += rates;
  out += "</Rates>";
  out += kCrLf;
  out += kProfileTrailer;
  out += kCrLf;
  try {
    CheckReadsBack(model, out, rates, save_passwords, regional, number_format);
  } catch (...) {
    SecureWipe(out);
    throw;
  }
  return out;
}

bool SaveProfile(ProfileModel& model, ProfileKey& key, const std::string& path, bool save_passwords,
                 const FormatSettings& regional, const ProfileFileOptions& options) {
  if (key.Password().empty()) return false;
  std::string text = BuildProfileDocument(model, save_passwords, regional);
  WipeOnExit wipe{text};
  if (!save_passwords) {
    for (int position = 0; position < model.AccountCount(); ++position) {
      if (model.IsLive(position)) SecureWipe(model.Account(position).Password);
    }
  }
  WriteProfileFile(path, text, key, options);
  return true;
}

}  // namespace nummora
