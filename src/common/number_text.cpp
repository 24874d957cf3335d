#include "common/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "common/ascii_text.h"
#include "common/decimal_scan.h"
#include "common/errors.h"

namespace nummora {

namespace {

constexpr int kSignificantDigits = 15;
// The largest number of 15 significant digits that a double holds. A larger double (up to the
// largest there is) would be rounded past the range of doubles and never read back.
constexpr double kLargestWritable = 1.79769313486231E308;

std::string WriteFloat(double value, char decimalSeparator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  if (std::fabs(value) > kLargestWritable) value = std::copysign(kLargestWritable, value);

  // d.dddddddddddddde±x: the value rounded to 15 significant digits, independent of locale.
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                                    kSignificantDigits - 1);
  const std::string text(buffer, result.ptr);
  const size_t e = text.find('e');
  std::string digits;
  for (size_t k = 0; k < e; ++k) {
    if (text[k] >= '0' && text[k] <= '9') digits += text[k];
  }
  const int exponent = std::atoi(text.c_str() + e + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = value < 0 ? "-" : "";
  if (exponent < -5 || exponent >= kSignificantDigits) {
    out += digits[0];
    if (digits.size() > 1) {
      out += decimalSeparator;
      out.append(digits, 1, std::string::npos);
    }
    out += 'E';
    out += std::to_string(exponent);
  } else if (exponent < 0) {
    out += '0';
    out += decimalSeparator;
    out.append(static_cast<size_t>(-exponent - 1), '0');
    out += digits;
  } else {
    const size_t whole = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= whole) {
      out += digits;
      out.append(whole - digits.size(), '0');
    } else {
      out.append(digits, 0, whole);
      out += decimalSeparator;
      out.append(digits, whole, std::string::npos);
    }
  }
  return out;
}

bool ReadFloat(const std::string& text, char decimalSeparator, double& out) {
  detail::ScannedDecimal scanned;
  if (!detail::ScanDecimal(text, decimalSeparator, 0, scanned)) return false;
  if (scanned.digits.empty()) {
    out = 0.0;
    return true;
  }
  // Digits and a power of ten with no decimal point: strtod reads this the same in every
  // locale.
  std::string plain = scanned.negative ? "-" : "";
  plain += scanned.digits;
  plain += 'e';
  plain += std::to_string(scanned.exponent);
  const double value = std::strtod(plain.c_str(), nullptr);
  if (std::isinf(value)) return false;  // too large for a double
  out = value;                          // too small reads as 0 (or a denormal)
  return true;
}

[[noreturn]] void ThrowNotAFloat(const std::string& text) {
  throw EConvertError("'" + text + "' is not a valid floating point value");
}

bool ReadInteger(const std::string& text, int64_t minimum, int64_t maximum, int64_t& out) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == n) return false;
  // Accumulate the magnitude as unsigned to reach INT64_MIN.
  const uint64_t limit =
      negative ? uint64_t{0} - static_cast<uint64_t>(minimum) : static_cast<uint64_t>(maximum);
  uint64_t magnitude = 0;
  for (; i < n; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (magnitude > (limit - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  out = negative ? static_cast<int64_t>(uint64_t{0} - magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

}  // namespace

std::string FloatToStr(double value) {
  return WriteFloat(value, '.');
}

std::string FloatToStr(double value, const FormatSettings& fs) {
  return WriteFloat(value, fs.decimalSeparator);
}

bool TryStrToFloat(const std::string& text, double& out) {
  return ReadFloat(text, '.', out);
}

bool TryStrToFloat(const std::string& text, const FormatSettings& fs, double& out) {
  return ReadFloat(text, fs.decimalSeparator, out);
}

double StrToFloatDef(const std::string& text, double fallback) {
  double value = fallback;
  return TryStrToFloat(text, value) ? value : fallback;
}

double StrToFloatDef(const std::string& text, const FormatSettings& fs, double fallback) {
  double value = fallback;
  return TryStrToFloat(text, fs, value) ? value : fallback;
}

double StrToFloat(const std::string& text) {
  double value = 0;
  if (!TryStrToFloat(text, value)) ThrowNotAFloat(text);
  return value;
}

bool TryStrToInt(const std::string& text, int32_t& out) {
  int64_t value = 0;
  if (!ReadInteger(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), value))
    return false;
  out = static_cast<int32_t>(value);
  return true;
}

bool TryStrToInt64(const std::string& text, int64_t& out) {
  return ReadInteger(text, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(), out);
}

int32_t StrToIntDef(const std::string& text, int32_t fallback) {
  int32_t value = fallback;
  return TryStrToInt(text, value) ? value : fallback;
}

int32_t StrToInt(const std::string& text) {
  int32_t value = 0;
  if (!TryStrToInt(text, value)) throw EConvertError("'" + text + "' is not a valid integer value");
  return value;
}

bool TryStrToBool(const std::string& text, bool& out) {
  double number = 0;
  if (TryStrToFloat(text, number)) {
    out = number != 0;
    return true;
  }
  if (EqualsIgnoringCase(text, "true")) {
    out = true;
    return true;
  }
  if (EqualsIgnoringCase(text, "false")) {
    out = false;
    return true;
  }
  return false;
}

}  // namespace nummora
