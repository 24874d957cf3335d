#pragma once
// A Liberty Reserve payment of one transaction or of a mass list: the account-name request
// (preview) and the transfer request (payment), and the reading of their replies for one
// transaction. Element texts are escaped (LRElementText), so typed text never adds or closes
// an element. Pure functions apart from the clock (request id and token).
#include <string>
#include <string_view>
#include <vector>

#include "common/datetime.h"
#include "common/format_settings.h"
#include "payments/payment_outcome.h"
#include "profile/model.h"

namespace nummora {

// One transfer of a request, its texts as typed.
struct LRTransfer {
  std::string payee;
  std::string amount;
  std::string memo;
  std::string transferId;     // the merchant reference
  bool hasTransferId = true;  // mass lines send TransferId only when they have a fourth field
  bool anonymous = false;     // one transaction only: a private payment
};

// "LRUSD", or "LREUR" when `euro`.
const char* LRCurrencyId(bool euro);
// The currency as the payment texts name it: "US Dollars" or "Euro".
const char* LRCurrencyCaption(bool euro);

// The account-name request for the given payees, in order: opening element, CR LF, the Auth
// block, one AccountName element per payee, closing element.
std::string LRAccountNameRequest(const AccountRecord& source, const std::vector<std::string>& payees,
                                 const std::string& requestId, TDateTime utc);
std::string LRAccountNameRequest(const AccountRecord& source, const std::vector<std::string>& payees);

// The transfer request of one transaction: TransferId, TransferType, Payer, Payee, CurrencyId,
// Amount, Memo and Anonymous ("True" or "False").
std::string LRSingleTransferRequest(const AccountRecord& source, const LRTransfer& transfer, bool euro,
                                    const std::string& requestId, TDateTime utc);
std::string LRSingleTransferRequest(const AccountRecord& source, const LRTransfer& transfer, bool euro);

// The transfer request of a mass payment: per transfer TransferType, Payer, Payee,
// CurrencyId, Amount, Memo and, when it has one, TransferId; no Anonymous element.
std::string LRMassTransferRequest(const AccountRecord& source, const std::vector<LRTransfer>& transfers,
                                  bool euro, const std::string& requestId, TDateTime utc);
std::string LRMassTransferRequest(const AccountRecord& source, const std::vector<LRTransfer>& transfers,
                                  bool euro);

// An element text of a reply as the user should read it: the references "&amp;", "&lt;",
// "&gt;", "&quot;", "&apos;" and "&#N;" / "&#xN;" (N below 256) turned into their
// characters; anything else, a malformed reference or one to a control character (codes 0 to
// 31 and 127 to 159, such as &#27; for ESC) included, stays as it is.
std::string LRReplyText(const std::string& text);

// The text of the first element of `text` named exactly `name` (not a longer name that begins
// with it: "Payee" does not find "PayeeName"); empty when there is none. Throws ERangeError
// when its closing tag lies beyond byte 65535 from its start.
std::string LRExactElementText(const std::string& text, std::string_view name);

// An account number as compared between a request and its reply: without the blanks (bytes
// up to 32) around it; otherwise exact. Turn references of a reply's text into characters
// (LRReplyText) first.
std::string LRAccountKey(const std::string& account);

struct LRNameReply {
  std::string error;  // the error message of an error answer; empty otherwise
  std::string name;   // the first Name element
};

// Reads the account-name reply of one transaction. An answer that cannot be read (a match
// past the 16-bit text positions) gives an error text.
LRNameReply ReadLRAccountNameReply(const std::string& reply);

// Reads the transfer reply of one transaction to `payee` (as sent): its first Receipt or Error
// element decides, white space or enclosing elements allowed around it. An Error: refused with
// its message. A Receipt whose Transfer names that payee and which holds a ReceiptId: paid
// (PayeeName, Fee and ClosingBalance read with the number format). Anything else, a receipt
// for another payee included, is unknown: the money may have moved all the same.
PaymentOutcome ReadLRTransferReply(const std::string& reply, const std::string& payee,
                                   const FormatSettings& numberFormat);

}  // namespace nummora
