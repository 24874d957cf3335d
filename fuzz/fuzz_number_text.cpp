// Reads any text as the profile document and the server answers' numbers, amounts,
// integers, booleans and dates are read. Nothing may throw or crash; what reads must be
// written and read back to the same value.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/currency.h"
#include "common/datetime.h"
#include "common/format_settings.h"
#include "common/number_text.h"

using namespace nummora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size > 4096 ? 4096 : size);
  static FixedClock clock(EncodeDateTime(2026, 12, 9, 14, 30, 15));
  SetClock(&clock);
  const FormatSettings us = UsEnglishFormatSettings();
  const FormatSettings de = MakeFormatSettings("dd.MM.yy", "HH:mm:ss", "", "");

  Currency amount = 0;
  if (TryStrToCurr(text, amount)) {
    Currency back = 0;
    if (!TryStrToCurr(CurrToStr(amount), back) || back != amount) std::abort();
    (void)FormatMoney(amount, us);
  }
  (void)TryStrToCurrGrouped(text, MakeNumberFormat(us), amount);

  double number = 0;
  if (TryStrToFloat(text, number)) {
    if (!std::isfinite(number)) std::abort();
    double back = 0;
    if (!TryStrToFloat(FloatToStr(number), back)) std::abort();
    if (std::fabs(back - number) > std::fabs(number) * 1e-14) std::abort();
  }
  int64_t integer = 0;
  if (TryStrToInt64(text, integer)) {
    int64_t back = 0;
    if (!TryStrToInt64(std::to_string(integer), back) || back != integer) std::abort();
  }
  bool flag = false;
  (void)TryStrToBool(text, flag);

  for (const FormatSettings* fs : {&us, &de}) {
    TDateTime when = 0;
    if (TryStrToDateTime(text, *fs, when)) {
      TDateTime back = 0;
      const std::string written = DateTimeToStr(when, *fs);
      if (!TryStrToDateTime(written, *fs, back)) std::abort();
      // Milliseconds are not written; everything else survives.
      if (std::fabs(back - when) > 1.0 / 86400) std::abort();
    }
    (void)TryStrToDate(text, *fs, when);
    (void)TryStrToTime(text, *fs, when);
  }
  SetClock(nullptr);
  return 0;
}
