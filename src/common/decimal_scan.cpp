#include "common/decimal_scan.h"

#include <utility>

namespace nummora::detail {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Exponents written in a text are kept within this bound; anything beyond it already
// overflows or underflows every type the readers produce.
constexpr int64_t kExponentLimit = 1000000000;

}  // namespace

bool ScanDecimal(const std::string& text, char decimalSeparator, char thousandSeparator,
                 ScannedDecimal& out) {
  ScannedDecimal result;
  const size_t n = text.size();
  size_t i = 0;
  while (i < n && text[i] == ' ') ++i;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    result.negative = text[i] == '-';
    ++i;
  }

  bool anyDigit = false;
  int64_t fractionDigits = 0;
  // Integer part, with optional grouping.
  while (i < n) {
    const char c = text[i];
    if (IsDigit(c)) {
      anyDigit = true;
      if (!(c == '0' && result.digits.empty())) result.digits += c;
      ++i;
    } else if (thousandSeparator != 0 && c == thousandSeparator && i > 0 && IsDigit(text[i - 1]) &&
               i + 1 < n && IsDigit(text[i + 1])) {
      ++i;
    } else {
      break;
    }
  }
  if (i < n && text[i] == decimalSeparator) {
    ++i;
    while (i < n && IsDigit(text[i])) {
      anyDigit = true;
      if (!(text[i] == '0' && result.digits.empty())) result.digits += text[i];
      ++fractionDigits;
      ++i;
    }
  }
  if (!anyDigit) return false;

  int64_t writtenExponent = 0;
  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    bool negativeExponent = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
      negativeExponent = text[i] == '-';
      ++i;
    }
    if (i >= n || !IsDigit(text[i])) return false;
    while (i < n && IsDigit(text[i])) {
      if (writtenExponent < kExponentLimit) writtenExponent = writtenExponent * 10 + (text[i] - '0');
      ++i;
    }
    if (negativeExponent) writtenExponent = -writtenExponent;
  }
  while (i < n && text[i] == ' ') ++i;
  if (i != n) return false;

  if (result.digits.empty()) {
    result.exponent = 0;
  } else {
    // Fraction digits that were leading zeros are not among `digits` but still count for
    // the position of the decimal point.
    result.exponent = writtenExponent - fractionDigits;
  }
  out = std::move(result);
  return true;
}

}  // namespace nummora::detail
