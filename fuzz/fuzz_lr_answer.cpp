// Fuzz target for the readers of Liberty Reserve answers: error recognition and wording, the
// walk of the balance answer and the refresh outcome built from it. A range error (a match
// past the 16-bit text positions) is an expected answer to some inputs.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/errors.h"
#include "common/format_settings.h"
#include "net/balance_outcome.h"
#include "net/liberty_reserve.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nummora;
  const std::string answer(reinterpret_cast<const char*>(data), size);
  static const FormatSettings numberFormat = MakeNumberFormat(UsEnglishFormatSettings());

  try {
    if (IsLRErrorAnswer(answer)) (void)LRErrorMessage(answer);
  } catch (const ERangeError&) {
  }
  try {
    (void)ReadLRBalanceAnswer(answer, numberFormat);
  } catch (const ERangeError&) {
  }

  AccountRecord account;
  account.Type = AccountType::LibertyReserve;
  account.ID = "U1234567";
  account.LRusd = 100000;
  // The outcome catches the range error itself.
  const BalanceOutcome out = LRBalanceOutcome(account, answer, numberFormat);
  AccountRecord entry = account;
  ApplyBalanceOutcome(out, entry, 1.0);
  return 0;
}
