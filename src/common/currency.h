#pragma once
// Fixed-point amounts: a signed 64-bit integer holding the amount times 10000, so every
// amount has exactly four decimals (range -922337203685477.5808 to 922337203685477.5807).
#include <cstdint>
#include <string>

#include "common/format_settings.h"

namespace nummora {

using Currency = int64_t;

inline constexpr Currency kCurrencyScale = 10000;  // 1.0000 as a Currency

// Whole units as a Currency (CurrencyFromUnits(12) == 120000). No range check.
constexpr Currency CurrencyFromUnits(int64_t units) {
  return units * kCurrencyScale;
}

// The amount in its shortest form: at most four decimals, no trailing zeros, no decimal point
// for whole amounts, no thousands separators: 12.5, 100, 0.0001, -3.25. The first form uses
// "."; the second the decimal separator of the given format.
std::string CurrToStr(Currency value);
std::string CurrToStr(Currency value, const FormatSettings& fs);

// Reads an amount: optional blanks, an optional sign, digits with at most one decimal
// separator (at least one digit), an optional exponent (E or e, optional sign, digits) and
// optional trailing blanks. No thousands separators. The value is rounded to four decimals,
// halves away from zero (12.34567 gives 12.3457). Returns false, leaving `out` alone, when the
// text is not such a number or lies outside the Currency range.
bool TryStrToCurr(const std::string& text, Currency& out);
bool TryStrToCurr(const std::string& text, const FormatSettings& fs, Currency& out);

// As TryStrToCurr, but a text that does not read gives `fallback` (usually 0).
Currency StrToCurrDef(const std::string& text, Currency fallback);
Currency StrToCurrDef(const std::string& text, const FormatSettings& fs, Currency fallback);

// As TryStrToCurr, but a text that does not read throws EConvertError
// ("'<text>' is not a valid floating point value").
Currency StrToCurr(const std::string& text);
Currency StrToCurr(const std::string& text, const FormatSettings& fs);

// Reads an amount as typed by the user: like TryStrToCurr, but the integer part may also
// hold thousands separators of the format between digits ("1,000.50", "12,3,4").
bool TryStrToCurrGrouped(const std::string& text, const FormatSettings& fs, Currency& out);

// The amount with thousands separators and exactly fs.currencyDecimals decimals, rounded
// halves away from zero (1234.5 with the number format gives "1,234.50").
std::string FormatMoney(Currency value, const FormatSettings& fs);

// Conversions to and from floating point. CurrencyFromDouble rounds to four decimals,
// halves away from zero, and returns false for values outside the range or not finite.
double CurrencyToDouble(Currency value);
bool CurrencyFromDouble(double value, Currency& out);

}  // namespace nummora
