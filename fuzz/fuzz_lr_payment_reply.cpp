// Fuzz target for the readers of the Liberty Reserve payment replies of one transaction: the
// account-name reply and the transfer reply, and the decoding of reply texts. The readers
// catch the range error of a match past the 16-bit text positions themselves.
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
  const PaymentOutcome outcome = ReadLRTransferReply(reply, numberFormat);
  if (outcome.Paid() != !outcome.batch.empty()) __builtin_trap();
  // Decoding never makes a text longer.
  if (LRReplyText(reply).size() > reply.size()) __builtin_trap();
  if (LRReplyText(LRElementText(reply)) != reply) __builtin_trap();
  return 0;
}
