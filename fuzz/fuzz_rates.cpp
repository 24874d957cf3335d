// Fuzz target for the metal-rates reader: the comma rule, the rates and arrows, and the values
// and texts computed from the rates read. A text kept with its currency tag reads the same
// prices as the answer itself, in the tagged currency, and is never compared with prices in
// another currency.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
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

  AccountRecord account;
  account.Gold = 2;
  account.Silver = 10.5;
  account.Platinum = 0.25;
  account.Palladium = 1e6;
  (void)AccountValueText(AccountValue(account, state.rates), "USD", numberFormat);
  (void)MetalDetails(account, state.rates, numberFormat);

  bool read = false;
  const RatesState plain = ReadRates(text, RatesState{}, numberFormat, &read, "USD");
  RatesState dollars;
  dollars.rates = {500, 8, 900, 300};
  dollars.currency = "USD";
  const RatesState tagged = ReadRates(TaggedRatesText("EUR", text), dollars, numberFormat);
  if (RatesTextCurrency(TaggedRatesText("EUR", text)) != std::optional<std::string>("EUR")) abort();
  if (RatesTextCurrency(text)) return 0;  // an answer that begins like a tag reads as one
  if (read) {
    if (tagged.cells != plain.cells || tagged.currency != "EUR") abort();
    for (RatePicture picture : tagged.pictures)
      if (picture != RatePicture::None) abort();
    if (RatesIn(tagged, "USD")) abort();
  } else if (tagged.currency != "USD" || tagged.rates != dollars.rates) {
    abort();
  }
  return 0;
}
