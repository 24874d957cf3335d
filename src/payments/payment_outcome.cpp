#include "payments/payment_outcome.h"

#include "net/egold.h"
#include "net/liberty_reserve.h"

namespace nummora {

PaymentOutcome RefusedPayment(std::string message) {
  PaymentOutcome out;
  out.result = PaymentResult::Refused;
  out.message = std::move(message);
  return out;
}

PaymentOutcome UnknownPayment() {
  PaymentOutcome out;
  out.result = PaymentResult::Unknown;
  out.message = kPaymentUnknownText;
  return out;
}

PaymentOutcome PaymentTransportFailure(std::string message) {
  PaymentOutcome out;
  out.result = PaymentResult::TransportFailure;
  out.message = std::move(message);
  return out;
}

std::string PaymentLogText(const std::string& text) {
  return MaskLRToken(MaskPassPhrase(text));
}

}  // namespace nummora
