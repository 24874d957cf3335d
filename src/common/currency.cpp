#include "common/currency.h"

#include <cmath>
#include <limits>

#include "common/decimal_scan.h"
#include "common/errors.h"

namespace nummora {

namespace {

constexpr int kCurrencyDecimals = 4;
constexpr uint64_t kMaxMagnitude = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());

// The magnitude of an amount as an unsigned number, INT64_MIN included.
uint64_t Magnitude(Currency value) {
  return value < 0 ? uint64_t{0} - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

// digits x 10^exponent x 10^4, rounded to a whole number with halves away from zero, with the
// sign applied; false when it leaves the Currency range.
bool ScaledToCurrency(const detail::ScannedDecimal& d, Currency& out) {
  if (d.digits.empty()) {
    out = 0;
    return true;
  }
  const int64_t shift = d.exponent + kCurrencyDecimals;
  const int64_t count = static_cast<int64_t>(d.digits.size());
  int64_t keep = count + shift;  // digits before the point of the scaled value
  if (keep > 19) return false;   // 10^19 exceeds every Currency
  uint64_t magnitude = 0;
  for (int64_t k = 0; k < keep; ++k) {
    const char digit = k < count ? d.digits[static_cast<size_t>(k)] : '0';
    magnitude = magnitude * 10 + static_cast<uint64_t>(digit - '0');
  }
  if (keep < 0) keep = -1;  // the first dropped digit lies after leading zeros: rounds down
  if (keep >= 0 && keep < count && d.digits[static_cast<size_t>(keep)] >= '5') ++magnitude;
  const uint64_t limit = d.negative ? kMaxMagnitude + 1 : kMaxMagnitude;
  if (magnitude > limit) return false;
  out = d.negative ? static_cast<Currency>(uint64_t{0} - magnitude) : static_cast<Currency>(magnitude);
  return true;
}

bool ReadCurrency(const std::string& text, char decimalSeparator, char thousandSeparator, Currency& out) {
  detail::ScannedDecimal scanned;
  if (!detail::ScanDecimal(text, decimalSeparator, thousandSeparator, scanned)) return false;
  return ScaledToCurrency(scanned, out);
}

[[noreturn]] void ThrowNotAFloat(const std::string& text) {
  throw EConvertError("'" + text + "' is not a valid floating point value");
}

std::string WriteCurrency(Currency value, char decimalSeparator) {
  const uint64_t magnitude = Magnitude(value);
  std::string text = std::to_string(magnitude / kCurrencyScale);
  uint64_t fraction = magnitude % kCurrencyScale;
  if (fraction != 0) {
    std::string decimals(kCurrencyDecimals, '0');
    for (int k = kCurrencyDecimals - 1; k >= 0; --k) {
      decimals[static_cast<size_t>(k)] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    while (decimals.back() == '0') decimals.pop_back();
    text += decimalSeparator;
    text += decimals;
  }
  if (value < 0) text.insert(text.begin(), '-');
  return text;
}

}  // namespace

std::string CurrToStr(Currency value) {
  return WriteCurrency(value, '.');
}

std::string CurrToStr(Currency value, const FormatSettings& fs) {
  return WriteCurrency(value, fs.decimalSeparator);
}

bool TryStrToCurr(const std::string& text, Currency& out) {
  return ReadCurrency(text, '.', 0, out);
}

bool TryStrToCurr(const std::string& text, const FormatSettings& fs, Currency& out) {
  return ReadCurrency(text, fs.decimalSeparator, 0, out);
}

Currency StrToCurrDef(const std::string& text, Currency fallback) {
  Currency value = fallback;
  return TryStrToCurr(text, value) ? value : fallback;
}

Currency StrToCurrDef(const std::string& text, const FormatSettings& fs, Currency fallback) {
  Currency value = fallback;
  return TryStrToCurr(text, fs, value) ? value : fallback;
}

Currency StrToCurr(const std::string& text) {
  Currency value = 0;
  if (!TryStrToCurr(text, value)) ThrowNotAFloat(text);
  return value;
}

Currency StrToCurr(const std::string& text, const FormatSettings& fs) {
  Currency value = 0;
  if (!TryStrToCurr(text, fs, value)) ThrowNotAFloat(text);
  return value;
}

bool TryStrToCurrGrouped(const std::string& text, const FormatSettings& fs, Currency& out) {
  const char grouping = fs.thousandSeparator == fs.decimalSeparator ? 0 : fs.thousandSeparator;
  return ReadCurrency(text, fs.decimalSeparator, grouping, out);
}

std::string FormatMoney(Currency value, const FormatSettings& fs) {
  int decimals = fs.currencyDecimals;
  if (decimals < 0) decimals = 0;
  // Round to the shown decimals (at most the four the amount has), halves away from zero.
  uint64_t magnitude = Magnitude(value);
  const int kept = decimals < kCurrencyDecimals ? decimals : kCurrencyDecimals;
  uint64_t unit = 1;
  for (int k = kept; k < kCurrencyDecimals; ++k) unit *= 10;
  uint64_t rounded = magnitude / unit;
  if (magnitude % unit >= (unit + 1) / 2 && unit > 1) ++rounded;

  uint64_t scale = 1;
  for (int k = 0; k < kept; ++k) scale *= 10;
  const std::string whole = std::to_string(rounded / scale);
  std::string text;
  for (size_t k = 0; k < whole.size(); ++k) {
    if (k > 0 && (whole.size() - k) % 3 == 0 && fs.thousandSeparator != 0) text += fs.thousandSeparator;
    text += whole[k];
  }
  if (decimals > 0) {
    std::string fraction = std::to_string(rounded % scale);
    fraction.insert(0, static_cast<size_t>(kept) - fraction.size(), '0');
    fraction.append(static_cast<size_t>(decimals - kept), '0');
    text += fs.decimalSeparator;
    text += fraction;
  }
  if (value < 0 && rounded != 0) text.insert(text.begin(), '-');
  return text;
}

double CurrencyToDouble(Currency value) {
  return static_cast<double>(value) / static_cast<double>(kCurrencyScale);
}

bool CurrencyFromDouble(double value, Currency& out) {
  if (!std::isfinite(value)) return false;
  const double scaled = value * static_cast<double>(kCurrencyScale);
  // 2^63 is the first magnitude beyond the range; doubles near it are exact integers.
  if (scaled >= 9223372036854775808.0 || scaled < -9223372036854775808.0) return false;
  const double rounded = std::round(scaled);
  if (rounded >= 9223372036854775808.0) return false;
  out = static_cast<Currency>(rounded);
  return true;
}

}  // namespace nummora
