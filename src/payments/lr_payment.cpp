#include "payments/lr_payment.h"

#include <utility>

#include "common/currency.h"
#include "common/errors.h"
#include "common/tag_cursor.h"
#include "common/text_routines.h"
#include "net/liberty_reserve.h"

namespace nummora {

namespace {

const char kCrLf[] = "\r\n";

std::string Element(const char* name, const std::string& text) {
  return std::string("<") + name + ">" + LRElementText(text) + "</" + name + ">";
}

std::string Opening(const char* root, const AccountRecord& source, const std::string& requestId,
                    TDateTime utc) {
  return std::string("<") + root + " id=\"" + requestId + "\">" + kCrLf + LRAuthBlock(source, utc);
}

// The character of the reference that starts at `at` ("&..;"), with its length; 0 length
// when there is no reference the reader knows.
std::pair<char, std::size_t> Reference(const std::string& text, std::size_t at) {
  static const std::pair<const char*, char> kNamed[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  for (const auto& [name, c] : kNamed)
    if (text.compare(at, std::string::traits_type::length(name), name) == 0)
      return {c, std::string::traits_type::length(name)};
  if (text.compare(at, 2, "&#") != 0) return {0, 0};
  std::size_t i = at + 2;
  const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
  if (hex) ++i;
  unsigned value = 0;
  const std::size_t digits = i;
  for (; i < text.size() && i - digits < 4; ++i) {
    const char c = text[i];
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (d < 0) break;
    value = value * (hex ? 16 : 10) + static_cast<unsigned>(d);
  }
  if (i == digits || i >= text.size() || text[i] != ';' || value > 255 || (value & 0x7f) < 32 || value == 127)
    return {0, 0};
  return {static_cast<char>(value), i + 1 - at};
}

}  // namespace

std::string LRReplyText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '&') {
      const auto [c, length] = Reference(text, i);
      if (length > 0) {
        out += c;
        i += length;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}

const char* LRCurrencyId(bool euro) {
  return euro ? kLRCurrencyEur : kLRCurrencyUsd;
}

const char* LRCurrencyCaption(bool euro) {
  return euro ? "Euro" : "US Dollars";
}

std::string LRAccountNameRequest(const AccountRecord& source, const std::vector<std::string>& payees,
                                 const std::string& requestId, TDateTime utc) {
  std::string doc = Opening("AccountNameRequest", source, requestId, utc);
  for (const std::string& payee : payees)
    doc += "<AccountName>" + Element("AccountId", source.ID) + Element("AccountToRetrieve", payee) +
           "</AccountName>";
  doc += "</AccountNameRequest>";
  return doc;
}

std::string LRAccountNameRequest(const AccountRecord& source, const std::vector<std::string>& payees) {
  return LRAccountNameRequest(source, payees, LRRequestId(), LocalToUtc(Now()));
}

std::string LRSingleTransferRequest(const AccountRecord& source, const LRTransfer& transfer, bool euro,
                                    const std::string& requestId, TDateTime utc) {
  std::string doc = Opening("TransferRequest", source, requestId, utc);
  doc += "<Transfer>" + Element("TransferId", transfer.transferId) + "<TransferType>transfer</TransferType>" +
         Element("Payer", source.ID) + Element("Payee", transfer.payee) +
         Element("CurrencyId", LRCurrencyId(euro)) + Element("Amount", transfer.amount) +
         Element("Memo", transfer.memo) + Element("Anonymous", transfer.anonymous ? "True" : "False") +
         "</Transfer>";
  doc += "</TransferRequest>";
  return doc;
}

std::string LRSingleTransferRequest(const AccountRecord& source, const LRTransfer& transfer, bool euro) {
  return LRSingleTransferRequest(source, transfer, euro, LRRequestId(), LocalToUtc(Now()));
}

std::string LRMassTransferRequest(const AccountRecord& source, const std::vector<LRTransfer>& transfers,
                                  bool euro, const std::string& requestId, TDateTime utc) {
  std::string doc = Opening("TransferRequest", source, requestId, utc);
  for (const LRTransfer& t : transfers) {
    doc += "<Transfer><TransferType>transfer</TransferType>" + Element("Payer", source.ID) +
           Element("Payee", t.payee) + Element("CurrencyId", LRCurrencyId(euro)) +
           Element("Amount", t.amount) + Element("Memo", t.memo);
    if (t.hasTransferId) doc += Element("TransferId", t.transferId);
    doc += "</Transfer>";
  }
  doc += "</TransferRequest>";
  return doc;
}

std::string LRMassTransferRequest(const AccountRecord& source, const std::vector<LRTransfer>& transfers,
                                  bool euro) {
  return LRMassTransferRequest(source, transfers, euro, LRRequestId(), LocalToUtc(Now()));
}

std::string LRExactElementText(const std::string& text, std::string_view name) {
  TagCursor cursor(text);
  if (cursor.Seek({name}).empty()) return std::string();
  return cursor.Take(name);
}

std::string LRAccountKey(const std::string& account) {
  std::size_t first = 0;
  std::size_t last = account.size();
  while (first < last && static_cast<unsigned char>(account[first]) <= 32) ++first;
  while (last > first && static_cast<unsigned char>(account[last - 1]) <= 32) --last;
  return account.substr(first, last - first);
}

LRNameReply ReadLRAccountNameReply(const std::string& reply) {
  LRNameReply out;
  try {
    if (IsLRErrorAnswer(reply)) {
      out.error = LRErrorMessage(reply);
      return out;
    }
    std::string source = reply;
    out.name = LRReplyText(ExtractTag(source, "Name", false));
  } catch (const ERangeError&) {
    out.error = "The answer of the Liberty Reserve server could not be read.";
  }
  return out;
}

PaymentOutcome ReadLRTransferReply(const std::string& reply, const std::string& payee,
                                   const FormatSettings& numberFormat) {
  try {
    TagCursor cursor(reply);
    const std::string_view first = cursor.Seek({"Receipt", "Error"});
    if (first.empty()) return UnknownPayment();
    std::string element = cursor.Take(first);
    if (first == "Error") return RefusedPayment(LRErrorMessage(element));
    // The receipt of another transfer than the one sent tells nothing about this one.
    if (LRAccountKey(LRReplyText(LRExactElementText(element, "Payee"))) != LRAccountKey(payee))
      return UnknownPayment();
    PaymentOutcome out;
    out.batch = ExtractTag(element, "ReceiptId", false);
    // Without a receipt id the answer is no receipt: the money may have moved all the same.
    if (out.batch.empty()) return UnknownPayment();
    out.result = PaymentResult::Paid;
    out.payeeName = LRReplyText(ExtractTag(element, "PayeeName", false));
    out.fee = ExtractTag(element, "Fee", false);
    Currency closing = 0;
    if (TryStrToCurr(ExtractTag(element, "ClosingBalance", false), numberFormat, closing))
      out.closingBalance = closing;
    return out;
  } catch (const ERangeError&) {
    return UnknownPayment();
  }
}

}  // namespace nummora
