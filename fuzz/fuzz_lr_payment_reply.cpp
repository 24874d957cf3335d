// Fuzz target for the readers of the Liberty Reserve payment replies of one transaction: the
// account-name reply and the transfer reply, and the decoding of reply texts. The readers
// catch the range error of a match past the 16-bit text positions themselves. A reply whose
// first answer is a receipt for the payee sent is a completed payment whatever follows it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/format_settings.h"
#include "net/liberty_reserve.h"
#include "payments/lr_payment.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nummora;
  const std::string reply(reinterpret_cast<const char*>(data), size);
  static const FormatSettings numberFormat = MakeNumberFormat(UsEnglishFormatSettings());
  (void)ReadLRAccountNameReply(reply);
  const PaymentOutcome outcome = ReadLRTransferReply(reply, "U1000002", numberFormat);
  if (outcome.Paid() != !outcome.batch.empty()) __builtin_trap();
  const PaymentOutcome paid = ReadLRTransferReply(
      "<Receipt><ReceiptId>77</ReceiptId><Transfer><Payee>U1000002</Payee></Transfer></Receipt>\r\n" + reply,
      "U1000002", numberFormat);
  if (!paid.Paid() || paid.batch != "77") __builtin_trap();
  // Decoding never makes a text longer.
  if (LRReplyText(reply).size() > reply.size()) __builtin_trap();
  if (LRReplyText(LRElementText(reply)) != reply) __builtin_trap();
  return 0;
}
