#include "payments/payment_link.h"

#include "common/ascii_text.h"
#include "payments/account_number.h"

namespace nummora {

namespace {

constexpr size_t kShortLinkLength = 8;  // links this long or shorter carry nothing
constexpr size_t kPrefixLength = 6;     // "nmr://"
constexpr size_t kMaxLinkBody = 255;

bool IsLineBreak(char c) {
  return c == '\r' || c == '\n';
}
bool IsQuote(char c) {
  return c == '\'' || c == '"';
}

}  // namespace

std::vector<std::string> SplitPaymentLink(const std::string& link) {
  std::vector<std::string> parts;
  if (link.size() <= kShortLinkLength) return parts;

  std::string body = link.substr(kPrefixLength, kMaxLinkBody);
  if (!body.empty() && body.back() == '/') body.pop_back();
  // The text ends at the first NUL byte.
  const size_t nul = body.find('\0');
  if (nul != std::string::npos) body.resize(nul);

  size_t pos = 0;
  char quote = 0;  // the quote character of an open quoted run; quoting spans parts
  while (pos < body.size()) {
    while (pos < body.size() && IsLineBreak(body[pos])) ++pos;
    const size_t head = pos;
    while (pos < body.size()) {
      const char c = body[pos];
      if (IsQuote(c)) {
        if (quote == 0) {
          quote = c;
        } else if (quote == c) {
          quote = 0;
        }
      } else if (quote == 0 && (c == '&' || IsLineBreak(c))) {
        break;
      }
      ++pos;
    }
    if (pos > head) parts.push_back(body.substr(head, pos - head));
    ++pos;  // past the separator
  }
  return parts;
}

std::string PaymentLinkValue(const std::vector<std::string>& parts, const std::string& key) {
  for (const std::string& part : parts) {
    const size_t eq = part.find('=');
    if (eq == std::string::npos) continue;
    if (EqualsIgnoringCase(part.substr(0, eq), key)) return part.substr(eq + 1);
  }
  return std::string();
}

PaymentLinkFields ParsePaymentLink(const std::string& link) {
  PaymentLinkFields fields;
  const std::vector<std::string> parts = SplitPaymentLink(link);
  if (parts.empty()) return fields;
  fields.hasParts = true;
  fields.payto = PaymentLinkValue(parts, "payto");
  fields.paytoIsLibertyReserve = IsLibertyReserveAccount(fields.payto);
  fields.amount = PaymentLinkValue(parts, "amount");
  fields.memo = PaymentLinkValue(parts, "memo");
  fields.merchant = PaymentLinkValue(parts, "merchant");
  return fields;
}

}  // namespace nummora
