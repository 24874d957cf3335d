#pragma once
// What the main window asks of the network side of the program. That side is built after the
// window, because it reports into it, and is attached to the window once it exists; until then
// the window does without (see MainWindow::AttachServices).
#include <optional>

#include "common/currency.h"
#include "payments/payment_link.h"
#include "profile/model.h"

namespace nummora {

class WindowServices {
 public:
  virtual ~WindowServices() = default;
  // Opens a payment dialog filled from a payment link (empty fields: a blank form).
  virtual void OpenPaymentDialog(const PaymentLinkFields& fields) = 0;
  // The value of an e-gold account in the display currency; nothing while the rates known are
  // prices in another currency (the row then shows no value).
  virtual std::optional<Currency> EgoldValue(const AccountRecord& account) = 0;
  // Opens the history download for a copy of an account.
  virtual void OpenHistory(const AccountRecord& account) = 0;
  // Asks the server for the metal rates.
  virtual void RequestRates() = 0;
};

}  // namespace nummora
