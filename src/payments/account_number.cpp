#include "payments/account_number.h"

#include <cstdint>

#include "common/ascii_text.h"

namespace nummora {

namespace {

// Reads a whole decimal number with optional leading spaces and sign; anything else,
// including an empty text or a value beyond 32 bits, reads as 0.
int64_t WholeNumberOrZero(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return 0;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
    if (value > INT32_MAX + int64_t{1}) return 0;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return 0;
  return value;
}

}  // namespace

bool IsLibertyReserveAccount(const std::string& text) {
  const std::string id = TrimControls(text);
  if (id.empty() || id.size() > 8) return false;
  if (id[0] != 'U' && id[0] != 'X') return false;
  return WholeNumberOrZero(id.substr(1, 10)) != 0;
}

}  // namespace nummora
