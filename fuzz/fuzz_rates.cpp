// Fuzz target for the metal-rates reader: the comma rule, the rates and arrows, and the values
// and texts computed from the rates read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/format_settings.h"
#include "market/rates.h"
#include "net/egold.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nummora;
  const std::string text(reinterpret_cast<const char*>(data), size);
  static const FormatSettings numberFormat = MakeNumberFormat(UsEnglishFormatSettings());

  RatesState state;
  state.rates = {500, 8, 900, 300};
  state = ReadRates(text, state, numberFormat);
  state = ReadRates(text, state, numberFormat);  // the same answer again: no arrows

  TAccount account;
  account.Gold = 2;
  account.Silver = 10.5;
  account.Platinum = 0.25;
  account.Palladium = 1e6;
  (void)AccountValueText(AccountValue(account, state.rates), "USD", numberFormat);
  (void)MetalDetails(account, state.rates, numberFormat);
  return 0;
}
