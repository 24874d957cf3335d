#pragma once
// PaymentDialog, the payment dialog ("Spend") of both payment systems: the user picks a source
// account, fills in the payment, may preview it (the payment system names the payee), pays,
// and gets a receipt. Liberty Reserve sources also offer a mass payment of one transfer a line.
//
// Each request runs on its own RequestWorker. While one runs, neither Preview nor Pay (nor Enter)
// can start another. A payment's completion is applied through the host (balances, last
// operations, histories) even when the dialog was closed meanwhile; only the dialog's own
// widgets are then left alone. The dialog deletes itself when closed.
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "payments/egold_payment.h"
#include "payments/lr_mass.h"
#include "payments/payment_effects.h"
#include "payments/payment_form.h"
#include "payments/payment_link.h"

namespace nummora {

class PaymentHost;
class RequestWorker;

class PaymentDialog : public PaymentForm {
  Q_OBJECT
 public:
  // The units default to the display currency's worth, the source to the account
  // selected in the accounts list.
  PaymentDialog(PaymentHost& host, QWidget* parent);
  ~PaymentDialog() override;

  // What a payment link (or the address book) puts into the fields; a link without parts
  // touches nothing. A Liberty Reserve payee fills the Liberty Reserve panel, and the source
  // becomes an account of the payee's system unless it is one already.
  void Prefill(const PaymentLinkFields& fields);

  // Where the dialog is in a payment: it decides the page's buttons and what they do.
  enum class State {
    Details,     // the payment is being filled in
    Previewing,  // the preview request is on its way
    Preview,     // the payment system's preview is shown
    Paying,      // the payment request is on its way
    Complete,    // the receipt is shown
  };

  // Whether a request of this dialog is on its way.
  bool Busy() const { return state_ == State::Previewing || state_ == State::Paying; }

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  // Lists the profile's accounts as sources and preselects one; offers the commands whose
  // services exist.
  void FillSources();
  void ConnectFields();
  // The first showing: the panel of the source, the remembered texts as choices.
  void FirstShow();
  void SourceChanged();
  // Chooses the first account of the payment system (in list order) unless the chosen source
  // is of that system.
  void ChooseSourceOfType(AccountType type);
  void SwitchLRType(bool mass);
  void PreviewClicked();
  void PayClicked();
  void CancelClicked();
  void EnterPressed();
  bool CheckInput();
  void BackToDetails(const QString& message = QString());
  // Enters `state`: the buttons, the indicator and the details page follow it.
  void SetState(State state);
  void PreviewDone(const std::string& reply);
  // The completion of a single payment: reads the reply with `read`, applies the payment
  // through the host (also when the dialog is gone) and shows the receipt.
  std::function<void(RequestWorker&)> SinglePaymentDone(
      const std::function<PaymentOutcome(const std::string&)>& read);
  // Sends the mass list's transfers; false when nothing was sent.
  bool SendMassPayment();
  void SpendDone(const PaymentOutcome& outcome);
  void SpendMassDone(const std::string& reply);
  void EmailDetails();
  void PickRecipient();
  void AddContact();
  void CopyBatchNumber();
  // Marks the window changed while any of its fields holds text.
  void NoteTyping();
  // Sends one request for the source account: asks for a missing pass phrase, builds the form
  // with `build` and starts a worker; false when nothing was sent.
  bool Send(const std::string& url,
            const std::function<std::vector<std::string>(const AccountRecord&)>& build,
            const std::function<void(RequestWorker&)>& completion);
  // Sends one Liberty Reserve request: the document `build` makes goes to the events list
  // under `title` (its secrets masked) and is wiped once it is wrapped into the form body.
  bool SendLR(const char* path, const char* title,
              const std::function<std::string(const AccountRecord&)>& build,
              const std::function<void(RequestWorker&)>& completion);

  // --- rendering the replies (payment_dialog_render.cpp) ---
  QString ShowEgoldPreview(const std::string& page);
  QString ShowLRPreview(const std::string& reply);
  // The preview page of a single payment, for either system.
  void ShowPreview(const std::string& payeeName, bool firstTime, const QString& fromNote);
  void ShowReceipt(const PaymentOutcome& outcome);
  // The amount as the preview and the receipt name it: e-gold with units and metal, Liberty
  // Reserve with the currency.
  QString AmountText() const;
  void ShowMassTable(const MassTable& table, bool preview);
  // Takes a row of the mass preview out, with its line of the list.
  void DeleteMassRow(int row);
  // The mass list with blank lines removed, written back into the field so lines and rows
  // stay aligned.
  std::vector<MassLine> TakeMassLines();

  // The payment as the completion applies it.
  SentPayment CurrentPayment() const;

  PaymentHost& host_;
  AccountType sourceType_ = AccountType::Egold;
  QPointer<RequestWorker> worker_;
  State state_ = State::Details;
  State stateBeforeRequest_ = State::Details;  // where a payment that was not sent returns
  std::vector<MassLine> massLines_;            // the lines the mass table shows, row by row
};

// Opens a new payment dialog over `parent` (modeless), prefilled from the link's fields.
PaymentDialog* OpenSpendDialog(PaymentHost& host, QWidget* parent, const PaymentLinkFields& fields);

}  // namespace nummora
