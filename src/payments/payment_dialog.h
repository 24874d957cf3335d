#pragma once
// PaymentDialog, the payment dialog ("Spend") of both payment systems: the user picks a source
// account, fills in the payment, may preview it (the payment system names the payee), pays,
// and gets a receipt. Liberty Reserve sources also offer a mass payment of one transfer a line.
//
// Each request runs on its own RequestWorker. While one runs, neither Preview nor Pay (nor Enter)
// can start another. A payment's completion is applied through the host (balances, last
// operations, histories) even when the dialog was closed meanwhile; only the dialog's own
// widgets are then left alone. The dialog deletes itself when closed.
#include <QDialog>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "payments/egold_payment.h"
#include "payments/lr_mass.h"
#include "payments/payment_effects.h"
#include "payments/payment_link.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTreeWidget;

namespace nummora {

class PaymentHost;
class RequestWorker;

class PaymentDialog : public QDialog {
  Q_OBJECT
 public:
  // FormCreate: the units default to the display currency's worth, the source to the account
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

  // The captions of the state strip.
  static constexpr const char* kDetailsTitle = "Transaction details";
  static constexpr const char* kPreviewTitle = "Preview transaction";
  static constexpr const char* kCompleteTitle = "Transaction complete";

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  // --- building (payment_dialog_build.cpp) ---
  void BuildWindow();
  QWidget* BuildDetailsPage();
  QWidget* BuildEgoldPanel();
  QWidget* BuildLRPanel();
  QWidget* BuildPreviewPage();
  QWidget* BuildPaidPage();
  QWidget* BuildMassPage();
  void FormCreate();
  void ConnectFields();

  // --- the flow (payment_dialog.cpp) ---
  void FormShow();
  void eSourceChange();
  // Chooses the first account of the payment system (in list order) unless the chosen source
  // is of that system.
  void ChooseSourceOfType(AccountType type);
  void SwitchLRType(bool mass);
  void bPreviewClick();
  void bPayClick();
  void CancelClick();
  void FormEnter();
  bool CheckInput();
  void BackToDetails(const QString& message = QString());
  // Enters `state`: the buttons, the indicator and the details page follow it.
  void SetState(State state);
  void ShowPage(QWidget* page, const char* title);
  void PreviewDone(const std::string& reply);
  void SpendDone(const PaymentOutcome& outcome);
  void SpendMassDone(const std::string& reply);
  void EmailDetails();
  void bSelectClick();
  void bAddClick();
  void CopyBatchClick();
  // Offers the memo and merchant just paid with as choices, when they are worth remembering.
  void AddRemembered(QComboBox* memo, QComboBox* merchant);
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
  void ShowEgoldReceipt(const PaymentOutcome& outcome);
  void ShowLRReceipt(const PaymentOutcome& outcome);
  void ShowMassTable(const MassTable& table, bool preview);
  void PopupMassPopup();
  void DeleteTransactionClick();
  // The mass list with blank lines removed, written back into the field so lines and rows
  // stay aligned.
  std::vector<MassLine> TakeMassLines();

  // The values of the fields as a payment sends them.
  int SourcePosition() const;
  QString SourceText() const;
  bool MassMode() const;
  bool LREuro() const;
  bool MassEuro() const;
  SentPayment CurrentPayment() const;
  EgoldPayment CurrentEgoldPayment() const;
  LRTransfer CurrentLRTransfer() const;

  PaymentHost& host_;
  AccountType sourceType_ = AccountType::Egold;
  QPointer<RequestWorker> Worker;
  State state_ = State::Details;
  State stateBeforeRequest_ = State::Details;  // where a payment that was not sent returns
  std::vector<MassLine> massLines_;            // the lines the mass table shows, row by row
  MassTable massTable_;                        // what it shows

  QFrame* pTop = nullptr;
  QLabel* lState = nullptr;
  QStackedWidget* pages_ = nullptr;
  QWidget* tPaymentInfo = nullptr;
  QWidget* tPreview = nullptr;
  QWidget* tPaid = nullptr;
  QWidget* tPreviewLRMass = nullptr;

  QComboBox* eSource = nullptr;
  QWidget* pEgold = nullptr;
  QLineEdit* eRecipient = nullptr;
  QPushButton* bSelect = nullptr;
  QLineEdit* eAmount = nullptr;
  QComboBox* eUnits = nullptr;
  QComboBox* eMetal = nullptr;
  QComboBox* eMemo = nullptr;
  QLabel* chMemo = nullptr;
  QComboBox* eMerchant = nullptr;
  QLabel* chMerchant = nullptr;

  QWidget* pLR = nullptr;
  QRadioButton* LRTypeOne = nullptr;
  QRadioButton* LRTypeMass = nullptr;
  QWidget* pLROne = nullptr;
  QLineEdit* eLRRecipient = nullptr;
  QPushButton* bLRSelect = nullptr;
  QLineEdit* eLRAmount = nullptr;
  QComboBox* eLRCurrency = nullptr;
  QComboBox* eLRMemo = nullptr;
  QComboBox* eLRMerchant = nullptr;
  QCheckBox* eLRAnonymous = nullptr;
  QWidget* pLRMasspayment = nullptr;
  QLineEdit* eLRDAmount = nullptr;
  QComboBox* eLRDValute = nullptr;
  QLineEdit* eLRDMemo = nullptr;
  QPlainTextEdit* eLRMass = nullptr;

  QLabel* lFrom = nullptr;
  QLabel* lPayto = nullptr;
  QLabel* lNotice = nullptr;
  QLabel* lAmount = nullptr;
  QLabel* lMemo = nullptr;
  QLabel* lMerchant = nullptr;
  QPushButton* bAdd2 = nullptr;

  QLabel* aFrom = nullptr;
  QLabel* aPaid = nullptr;
  QLabel* aAmount = nullptr;
  QLabel* aMemo = nullptr;
  QLabel* aMerchant = nullptr;
  QLabel* aBatch = nullptr;
  QLabel* eName = nullptr;
  QLabel* Batch = nullptr;
  QPushButton* bAdd = nullptr;
  QPushButton* CopyBatch = nullptr;

  QLabel* lLRMassInfo = nullptr;
  QTreeWidget* LRMassList = nullptr;
  QMenu* PopupMass = nullptr;
  QAction* DeleteTransaction = nullptr;

  QProgressBar* pMsg = nullptr;
  QPushButton* bPreview = nullptr;
  QPushButton* bPay = nullptr;
  QPushButton* Cancel = nullptr;
};

// Opens a new payment dialog over `parent` (modeless), prefilled from the link's fields.
PaymentDialog* OpenSpendDialog(PaymentHost& host, QWidget* parent, const PaymentLinkFields& fields);

}  // namespace nummora
