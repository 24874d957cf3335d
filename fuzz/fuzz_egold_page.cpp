// Fuzz target for the readers of e-gold Automation pages: the error reading, the balance page
// reading and the refresh outcome built from it. A range error (a match past the 16-bit text
// positions) is an expected answer to some pages; anything else escaping is a fault.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/errors.h"
#include "common/format_settings.h"
#include "net/balance_outcome.h"
#include "net/egold.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nummora;
  const std::string page(reinterpret_cast<const char*>(data), size);
  static const FormatSettings numberFormat = MakeNumberFormat(UsEnglishFormatSettings());

  try {
    (void)EgoldErrorText(page, "123456");
  } catch (const ERangeError&) {
  }
  try {
    (void)ReadEgoldBalancePage(page, {1.5, 0, 0, 0}, numberFormat);
  } catch (const ERangeError&) {
  }

  AccountRecord account;
  account.Type = AccountType::Egold;
  account.ID = "123456";
  account.Password = "phrase";
  account.Gold = 1.5;
  // The outcome catches the range error itself.
  const BalanceOutcome out =
      EgoldBalanceOutcome(account, "https://egold.test", page, {500, 8, 900, 300}, "EUR", numberFormat);
  AccountRecord entry = account;
  ApplyBalanceOutcome(out, entry, 1.0);
  return 0;
}
