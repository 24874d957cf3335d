#pragma once
// Internal: the syntax check shared by the number and amount readers. Splits a decimal text
// into sign, significant digits and a power of ten without converting it, so that amounts can
// be read exactly and floating-point numbers without the C library's locale.
#include <cstdint>
#include <string>

namespace nummora::detail {

struct ScannedDecimal {
  bool negative = false;
  std::string digits;    // significant digits, no leading zeros; empty for zero
  int64_t exponent = 0;  // value = digits x 10^exponent
};

// Accepts: spaces, optional sign, digits with at most one `decimalSeparator` (at least one
// digit), optional exponent ("E"/"e", optional sign, at least one digit), spaces. With
// `thousandSeparator` not 0, that character is also accepted between two digits of the
// integer part. Returns false for any other text.
bool ScanDecimal(const std::string& text, char decimalSeparator, char thousandSeparator, ScannedDecimal& out);

}  // namespace nummora::detail
