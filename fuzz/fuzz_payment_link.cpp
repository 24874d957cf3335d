// Parses any text as a payment link, as one arriving on the command line or from a second
// instance would be. Nothing may throw or crash, and every value must come from the link.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "payments/account_number.h"
#include "payments/payment_link.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string link(reinterpret_cast<const char*>(data), size);
  const nummora::PaymentLinkFields f = nummora::ParsePaymentLink(link);
  if (link.size() <= 8 && f.hasParts) std::abort();
  for (const std::string* value : {&f.payto, &f.amount, &f.memo, &f.merchant}) {
    if (value->size() > 255) std::abort();
    if (!value->empty() && link.find(*value) == std::string::npos) std::abort();
  }
  if (f.paytoIsLibertyReserve != nummora::IsLibertyReserveAccount(f.payto)) std::abort();
  for (const std::string& part : nummora::SplitPaymentLink(link)) {
    if (part.empty() || part.find('\0') != std::string::npos) std::abort();
  }
  return 0;
}
