// Fuzz target for the readers of the e-gold payment pages: the preview page of
// "/acct/verify.asp" and the reply of "/acct/confirm.asp". Both readers catch the range error
// of a match past the 16-bit text positions themselves: nothing may escape them. A page that
// carries a batch number is a completed payment whatever else it holds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/errors.h"
#include "common/format_settings.h"
#include "common/text_routines.h"
#include "payments/egold_payment.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nummora;
  const std::string page(reinterpret_cast<const char*>(data), size);
  static const FormatSettings numberFormat = MakeNumberFormat(UsEnglishFormatSettings());
  const EgoldPreview preview = ReadEgoldPreview(page, "1001001");
  if (!preview.error.empty() && (!preview.payeeName.empty() || preview.firstTime)) __builtin_trap();
  const PaymentOutcome outcome = ReadEgoldReceipt(page, "1001001", numberFormat);
  // Paid exactly when a batch number was read; never a success without one.
  if (outcome.Paid() != !outcome.batch.empty()) __builtin_trap();
  // A batch number the page carries within reach is never read as refused.
  try {
    if (!ExtractHiddenInput("PAYMENT_BATCH_NUM", page).empty() && !outcome.Paid()) __builtin_trap();
  } catch (const ERangeError&) {
  }
  // The same page behind a receipt's batch number is that completed payment, whatever the
  // rest says (error fields, the login-failure sentence, echoed texts).
  const PaymentOutcome paid = ReadEgoldReceipt(
      "<input type=hidden name=PAYMENT_BATCH_NUM value=\"41000123\">" + page, "1001001", numberFormat);
  if (!paid.Paid() || paid.batch != "41000123") __builtin_trap();
  return 0;
}
