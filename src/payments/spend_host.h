#pragma once
// What a payment dialog needs from the window that opens it: the workers' host (model, number
// format, events list, pass-phrase prompt), the server addresses, the settings values that keep
// the memo and merchant histories, the operations that change an account's cached balance, and
// the services of the address book, the e-mail notice and the last operations. The main window
// provides it; it outlives every dialog, so a payment that completes after its dialog was
// closed is still applied through it.
#include <functional>
#include <string>

#include "net/worker_host.h"
#include "payments/payment_services.h"

class QObject;

namespace nummora {

class MessageBoxes;

class PaymentHost {
 public:
  virtual ~PaymentHost() = default;

  virtual WorkerHost& Workers() = 0;
  // Lives as long as the host: owner of the requests, so their completions run after a dialog
  // closed.
  virtual QObject* RequestOwner() = 0;
  // Table position of the account selected in the accounts list; -1 when none.
  virtual int SelectedAccount() const = 0;
  virtual bool StayOnTop() const = 0;
  virtual std::string EgoldSecureBase() const = 0;
  virtual std::string LibertyReserveBase() const = 0;

  // A history value ("EgoldMemo", "EgoldMerchant", "LRMemo", "LRMerchant") of the profile's
  // settings key. Reading throws when it cannot be read; writing reports failure by returning
  // false.
  virtual std::string ReadHistory(const std::string& name) = 0;
  virtual bool WriteHistory(const std::string& name, const std::string& text) = 0;

  // Applies a change to the entry at `position` and shows its row again.
  virtual void ChangeAccount(int position, const std::function<void(AccountRecord&)>& change) = 0;
  // Fetches the entry's balance again (nothing when a refresh of it runs).
  virtual void RefreshBalance(int position) = 0;

  virtual const PaymentServices& Services() const = 0;
  // Whether a payment dialog holds changes: one flag for every payment dialog of the run.
  virtual bool& Modified() = 0;
  virtual MessageBoxes& Boxes() = 0;
};

}  // namespace nummora
