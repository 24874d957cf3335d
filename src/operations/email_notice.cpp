#include "operations/email_notice.h"

#include <algorithm>

namespace nummora {

namespace {
// A value is one form line: a line break inside it would start a field of its own.
std::string OneLine(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return text;
}
}  // namespace

bool EmailSendable(const EmailParties& p) {
  const std::size_t at = p.toMail.find('@');
  const bool recipient = p.toMail.size() > 6 && at != std::string::npos && at >= 1;
  return recipient && (p.fromName.size() > 1 || p.fromMail.size() > 5);
}

std::vector<std::string> EmailFormLines(const PaymentNotice& n, const EmailParties& p) {
  return {"valtype=" + std::to_string(static_cast<int32_t>(n.type)),
          "from=" + OneLine(n.sender),
          "to=" + OneLine(n.recipient),
          "amount=" + OneLine(n.amount),
          "memo=" + OneLine(n.memo),
          "merchant=" + OneLine(n.merchant),
          "batch=" + OneLine(n.batch),
          "mail_from=" + OneLine(p.fromName),
          "mail_from2=" + OneLine(p.fromMail),
          "mail_to=" + OneLine(p.toName),
          "mail_to2=" + OneLine(p.toMail)};
}

std::string EmailFormText(const PaymentNotice& notice, const EmailParties& parties) {
  std::string text;
  for (const std::string& line : EmailFormLines(notice, parties)) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  return text;
}

}  // namespace nummora
