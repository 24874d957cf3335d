#pragma once
// PaymentForm, the widgets of the payment dialog and their layout: the state strip, the four
// pages (details, preview, receipt, mass table), the bottom row, and the readers of the fields'
// values. The e-gold panel and the Liberty Reserve single-payment panel are built by one
// builder. The flow (PaymentDialog) derives from it and drives the widgets; every widget keeps
// its control name as objectName, which is how tests and the layout keeper find it.
#include <QDialog>
#include <string>
#include <vector>

#include "payments/egold_payment.h"
#include "payments/lr_payment.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;

namespace nummora {
class MassTableView;
}

namespace nummora {

// The payee, amount, memo and merchant fields of one payment system's single payment, built by
// one builder for both systems. What only one system has is null in the other's panel: the
// metal and the length counters (e-gold), the private-payment box (Liberty Reserve).
struct PayeePanel {
  QWidget* panel = nullptr;
  QLineEdit* recipient = nullptr;
  QPushButton* select = nullptr;
  QLineEdit* amount = nullptr;
  QComboBox* units = nullptr;  // the e-gold units, or the Liberty Reserve currency
  QComboBox* metal = nullptr;
  QComboBox* memo = nullptr;
  QLabel* memoCounter = nullptr;
  QComboBox* merchant = nullptr;
  QLabel* merchantCounter = nullptr;
  QCheckBox* anonymous = nullptr;
};

// The lines of the preview page: what will be paid, from and to whom.
struct PreviewPage {
  QWidget* page = nullptr;
  QLabel* from = nullptr;
  QLabel* payto = nullptr;
  QLabel* notice = nullptr;  // the first payment to this payee
  QLabel* amount = nullptr;
  QLabel* memo = nullptr;
  QLabel* merchant = nullptr;
  QPushButton* addContact = nullptr;
};

// The lines of the receipt page, and two hidden holders: the payee's name from the last reply
// and the number of the last completed payment.
struct ReceiptPage {
  QWidget* page = nullptr;
  QLabel* batch = nullptr;
  QLabel* from = nullptr;
  QLabel* paidTo = nullptr;
  QLabel* amount = nullptr;
  QLabel* memo = nullptr;
  QLabel* merchant = nullptr;
  QLabel* payeeName = nullptr;
  QLabel* batchNumber = nullptr;
  QPushButton* addContact = nullptr;
  QPushButton* copyBatch = nullptr;
};

class PaymentForm : public QDialog {
  Q_OBJECT
 public:
  explicit PaymentForm(QWidget* parent);
  ~PaymentForm() override;

  // The captions of the state strip.
  static constexpr const char* kDetailsTitle = "Transaction details";
  static constexpr const char* kPreviewTitle = "Preview transaction";
  static constexpr const char* kCompleteTitle = "Transaction complete";

 protected:
  // Shows one of the pages with its caption in the state strip.
  void ShowPage(QWidget* page, const char* title);

  // The single-payment panel of a payment system.
  const PayeePanel& PanelOf(AccountType type) const {
    return type == AccountType::LibertyReserve ? lr_ : egold_;
  }

  // Whether any field of the payment holds text.
  bool HoldsText() const;
  // Replaces a history field's choices and keeps what it holds.
  static void OfferChoices(QComboBox* field, const std::vector<std::string>& choices);
  // Offers the memo and merchant just paid with as choices, when they are worth remembering.
  void Remember(const PayeePanel& panel);

  // The values of the fields as a payment sends them.
  int SourcePosition() const;
  QString SourceText() const;
  bool MassMode() const;
  bool LREuro() const;
  bool MassEuro() const;
  EgoldPayment CurrentEgoldPayment() const;
  LRTransfer CurrentLRTransfer() const;

  QFrame* topFrame_ = nullptr;
  QLabel* stateLabel_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  QWidget* detailsPage_ = nullptr;
  QWidget* massPage_ = nullptr;

  QComboBox* sourceCombo_ = nullptr;
  PayeePanel egold_;

  QWidget* lrPanel_ = nullptr;
  QRadioButton* lrOneRadio_ = nullptr;
  QRadioButton* lrMassRadio_ = nullptr;
  PayeePanel lr_;  // the single payment; the mass payment has a panel of its own
  QWidget* massPanel_ = nullptr;
  QLineEdit* massAmountEdit_ = nullptr;
  QComboBox* massCurrencyCombo_ = nullptr;
  QLineEdit* massMemoEdit_ = nullptr;
  QPlainTextEdit* massLinesEdit_ = nullptr;

  PreviewPage preview_;
  ReceiptPage receipt_;

  QLabel* massInfoLabel_ = nullptr;
  MassTableView* massList_ = nullptr;

  QProgressBar* progressBar_ = nullptr;
  QPushButton* previewButton_ = nullptr;
  QPushButton* payButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;

 private:
  // Adds a remembered text to a history field's choices, in alphabetical order.
  static void AddChoice(QComboBox* field, const std::string& text);
  // The fields' own behaviour: the length counters, upper-case Liberty Reserve payees.
  void ConnectFieldBehaviour();
  void BuildWindow();
  QWidget* BuildDetailsPage();
  QWidget* BuildLRPanel();
  QWidget* BuildPreviewPage();
  QWidget* BuildPaidPage();
  QWidget* BuildMassPage();
};

}  // namespace nummora
