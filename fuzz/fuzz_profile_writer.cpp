// Fuzz target for the profile document writer: builds a model from the input bytes (any byte
// in any text, "<" and ">" included, any numbers), writes it, and checks that
//   - a model whose texts hold no "<" or ">" is always written (saving must not fail for it);
//   - whatever the writer accepts reads back as the same model: the same live accounts in
//     display order with the same texts and numbers, every contact, and the rates (left out
//     when they hold a tag character).
// Input: a flags byte, an account count byte, the accounts, a contact count byte, the contacts
// and the rates text; a text is a length byte and that many bytes; numbers are raw bytes.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/format_settings.h"
#include "common/number_text.h"
#include "profile/document.h"
#include "profile/profile_text.h"

namespace {

using namespace nummora;

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return size_ > 0 ? (--size_, *data_++) : 0; }
  template <typename T>
  T Raw() {
    T value{};
    const size_t n = std::min(sizeof value, size_);
    if (n > 0) std::memcpy(&value, data_, n);
    data_ += n;
    size_ -= n;
    return value;
  }
  std::string Text() {
    const size_t n = std::min<size_t>(Byte(), size_);
    std::string text(reinterpret_cast<const char*>(data_), n);
    data_ += n;
    size_ -= n;
    return text;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

double FiniteNumber(Input& in) {
  const double value = in.Raw<double>();
  return std::isfinite(value) ? value : 0;
}

AccountRecord ReadAccount(Input& in) {
  AccountRecord a;
  a.Type = static_cast<AccountType>(in.Raw<int32_t>());
  a.ID = in.Text();
  a.Name = in.Text();
  a.Password = in.Text();
  a.APIname = in.Text();
  a.LRusd = in.Raw<int64_t>();
  a.LReur = in.Raw<int64_t>();
  a.Gold = FiniteNumber(in);
  a.Silver = FiniteNumber(in);
  a.Platinum = FiniteNumber(in);
  a.Palladium = FiniteNumber(in);
  a.Updated = in.Raw<uint32_t>() / 86400.0;  // whole seconds since 12/30/1899
  a.Refresh = in.Raw<uint16_t>();
  a.Batch = in.Raw<int32_t>();
  a.BatchDate = in.Raw<uint16_t>();  // whole days
  return a;
}

bool SameNumber(double read, double written) {
  // The document keeps 15 significant digits.
  return read == written || std::fabs(read - written) <= 1e-14 * std::fabs(written);
}

void CheckAccount(const AccountRecord& read, const AccountRecord& a, bool save_passwords) {
  if (read.Type != a.Type || read.ID != a.ID || read.Name != a.Name || read.APIname != a.APIname)
    std::abort();
  if (read.Password != (save_passwords ? a.Password : std::string())) std::abort();
  if (read.LRusd != a.LRusd || read.LReur != a.LReur) std::abort();
  if (!SameNumber(read.Gold, a.Gold) || !SameNumber(read.Silver, a.Silver) ||
      !SameNumber(read.Platinum, a.Platinum) || !SameNumber(read.Palladium, a.Palladium))
    std::abort();
  if (std::fabs(read.Updated - a.Updated) * 86400 > 0.5) std::abort();
  if (read.Update != a.Update || read.Refresh != a.Refresh || read.Batch != a.Batch) std::abort();
  if (read.BatchDate != a.BatchDate) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const FormatSettings regional = UsEnglishFormatSettings();
  Input in(data, size);
  const uint8_t flags = in.Byte();
  const bool save_passwords = (flags & 1) != 0;

  ProfileModel model;
  const int accounts = in.Byte() % 8;
  for (int i = 0; i < accounts; ++i) {
    const uint8_t account_flags = in.Byte();
    AccountRecord a = ReadAccount(in);
    a.Update = (account_flags & 1) != 0;
    const int position = model.AppendAccount(std::move(a));
    if (account_flags & 2) model.DeleteAccount(position);
    if ((account_flags & 4) && model.RowCount() > 1) model.MoveRowUp(model.RowCount() - 1);
  }
  const int contacts = in.Byte();
  for (int i = 0; i < contacts; ++i) {
    ContactRecord c;
    c.Name = in.Text();
    c.EgoldID = in.Text();
    c.LRID = in.Text();
    c.Email = in.Text();
    c.Comment = in.Text();
    model.Contacts().push_back(std::move(c));  // past the address book's limit of 128, too
  }
  model.RatesText = in.Text();

  bool tag_free = true;
  for (int row = 0; row < model.RowCount(); ++row)
    tag_free = tag_free && !AccountTextProblem(model.Account(model.AccountOfRow(row)));
  for (const ContactRecord& c : model.Contacts()) tag_free = tag_free && !ContactTextProblem(c);

  std::string text;
  try {
    text = BuildProfileDocument(model, save_passwords, regional);
  } catch (const EProfileDocumentError&) {
    if (tag_free) std::abort();  // a model without tag characters must always be written
    return 0;
  }

  const ProfileDocumentContent back = ReadProfileDocument(text, regional);
  size_t n = 0;
  for (int row = 0; row < model.RowCount(); ++row) {
    const AccountRecord& a = model.Account(model.AccountOfRow(row));
    if (a.ID.empty()) continue;  // a deleted entry is not written
    if (n >= back.accounts.size()) std::abort();
    CheckAccount(back.accounts[n++], a, save_passwords);
  }
  if (n != back.accounts.size()) std::abort();
  if (back.contacts != model.Contacts()) std::abort();
  if (back.rates_text != (HoldsTagCharacter(model.RatesText) ? std::string() : model.RatesText)) std::abort();
  return 0;
}
