// The flow of the payment dialog: showing, the fields' change handlers, validation, Preview
// and Pay with their completions, the keyboard and closing.
#include "payments/payment_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

#include "common/currency.h"
#include "common/number_text.h"
#include "common/secure_memory.h"
#include "net/egold.h"
#include "net/liberty_reserve.h"
#include "net/request_worker.h"
#include "payments/egold_payment.h"
#include "payments/lr_payment.h"
#include "payments/mass_table_view.h"
#include "payments/payment_completion.h"
#include "payments/spend_host.h"
#include "ui/icons.h"
#include "ui/latin1.h"
#include "ui/message_box.h"

namespace nummora {
namespace {

const QString kBackCaption = QStringLiteral("<< Back");
const QString kPreviewCaption = QStringLiteral("P&review >>");
const QString kPayCaption = QStringLiteral("Pa&y");
const QString kEmailCaption = QStringLiteral("&Email details");
const QString kIncorrectValue = QStringLiteral("Please enter correct value!");

std::string Text(const QLineEdit* field) {
  return ToLatin1(field->text());
}

std::string Text(const QComboBox* field) {
  return ToLatin1(field->currentText());
}

}  // namespace

PaymentDialog::PaymentDialog(PaymentHost& host, QWidget* parent) : PaymentForm(parent), host_(host) {
  if (host_.StayOnTop()) setWindowFlag(Qt::WindowStaysOnTopHint, true);
  FillSources();
  ConnectFields();
}

PaymentDialog::~PaymentDialog() = default;

void PaymentDialog::FillSources() {
  const ProfileModel& model = host_.Workers().Model();
  const int currency = model.DisplayCurrency == "EUR" ? 1 : 0;
  egold_.units->setCurrentIndex(currency < 7 ? currency + 4 : currency + 5);
  sourceCombo_->blockSignals(true);
  for (int i = 0; i < model.AccountCount(); ++i) {
    const AccountRecord& account = model.Account(i);
    sourceCombo_->addItem(AccountTypeIcon(account.Type), FromLatin1(AccountLabel(account)));
  }
  const int selected = host_.SelectedAccount();
  sourceCombo_->setCurrentIndex(model.IsValidPosition(selected) ? selected : -1);
  sourceCombo_->blockSignals(false);
  const PaymentServices& services = host_.Services();
  egold_.select->setEnabled(bool(services.pickRecipient));
  lr_.select->setEnabled(bool(services.pickRecipient));
  receipt_.addContact->setEnabled(bool(services.addContact));
  preview_.addContact->setEnabled(bool(services.addContact));
}

void PaymentDialog::ConnectFields() {
  connect(sourceCombo_, &QComboBox::currentIndexChanged, this, [this] { SourceChanged(); });
  // Whatever a field holds counts as a change that closing the window asks about.
  for (QComboBox* field : {egold_.memo, egold_.merchant, lr_.memo, lr_.merchant})
    connect(field, &QComboBox::editTextChanged, this, [this] { NoteTyping(); });
  for (QLineEdit* field :
       {egold_.recipient, egold_.amount, lr_.recipient, lr_.amount, massAmountEdit_, massMemoEdit_})
    connect(field, &QLineEdit::textChanged, this, [this] { NoteTyping(); });
  connect(massLinesEdit_, &QPlainTextEdit::textChanged, this, [this] { NoteTyping(); });
  connect(lrOneRadio_, &QRadioButton::clicked, this, [this] { SwitchLRType(false); });
  connect(lrMassRadio_, &QRadioButton::clicked, this, [this] { SwitchLRType(true); });
  connect(previewButton_, &QPushButton::clicked, this, [this] { PreviewClicked(); });
  connect(payButton_, &QPushButton::clicked, this, [this] { PayClicked(); });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { CancelClicked(); });
  connect(egold_.select, &QPushButton::clicked, this, [this] { PickRecipient(); });
  connect(lr_.select, &QPushButton::clicked, this, [this] { PickRecipient(); });
  connect(receipt_.addContact, &QPushButton::clicked, this, [this] { AddContact(); });
  connect(preview_.addContact, &QPushButton::clicked, this, [this] { AddContact(); });
  connect(receipt_.copyBatch, &QPushButton::clicked, this, [this] { CopyBatchNumber(); });
  connect(massList_, &MassTableView::deleteRequested, this, [this](int row) { DeleteMassRow(row); });
}

void PaymentDialog::NoteTyping() {
  host_.Modified() = HoldsText();
}

void PaymentDialog::Prefill(const PaymentLinkFields& fields) {
  if (!fields.hasParts) return;
  const AccountType type = fields.paytoIsLibertyReserve ? AccountType::LibertyReserve : AccountType::Egold;
  // A Liberty Reserve payee is paid from a Liberty Reserve account, so the link's amount, memo
  // and merchant go to that panel's fields; the source follows the payee's system.
  ChooseSourceOfType(type);
  const PayeePanel& panel = PanelOf(type);
  panel.recipient->setText(FromLatin1(fields.payto));
  panel.amount->setText(FromLatin1(fields.amount));
  panel.memo->setEditText(FromLatin1(fields.memo));
  panel.merchant->setEditText(FromLatin1(fields.merchant));
}

void PaymentDialog::ChooseSourceOfType(AccountType type) {
  const ProfileModel& model = host_.Workers().Model();
  const int chosen = SourcePosition();
  if (model.IsValidPosition(chosen) && model.Account(chosen).Type == type) return;
  for (int position : model.Rows()) {
    if (model.Account(position).Type == type) {
      sourceCombo_->setCurrentIndex(position);
      return;
    }
  }
}

void PaymentDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Only the first showing; a window brought back from being minimised keeps its state.
  if (event->spontaneous() || property("shown").toBool()) return;
  setProperty("shown", true);
  FirstShow();
}

void PaymentDialog::FirstShow() {
  ShowPage(detailsPage_, kDetailsTitle);
  SourceChanged();
  const std::pair<QComboBox*, const char*> histories[] = {
      {egold_.memo, MemoHistoryName(AccountType::Egold)},
      {egold_.merchant, MerchantHistoryName(AccountType::Egold)},
      {lr_.memo, MemoHistoryName(AccountType::LibertyReserve)},
      {lr_.merchant, MerchantHistoryName(AccountType::LibertyReserve)}};
  for (const auto& [field, name] : histories) {
    try {
      OfferChoices(field, HistoryChoices(host_.ReadHistory(name)));
    } catch (const std::exception&) {
      // Without its history the field simply offers no choices.
    }
  }
}

void PaymentDialog::SourceChanged() {
  const ProfileModel& model = host_.Workers().Model();
  const int position = SourcePosition();
  const AccountType type =
      model.IsValidPosition(position) ? model.Account(position).Type : AccountType::Egold;
  egold_.panel->setVisible(type != AccountType::LibertyReserve);
  lrPanel_->setVisible(type == AccountType::LibertyReserve);
  if (type == AccountType::LibertyReserve) SwitchLRType(MassMode());
  sourceType_ = type;
}

void PaymentDialog::SwitchLRType(bool mass) {
  lrOneRadio_->setChecked(!mass);
  lrMassRadio_->setChecked(mass);
  lr_.panel->setVisible(!mass);
  massPanel_->setVisible(mass);
}

bool PaymentDialog::CheckInput() {
  const auto fail = [this](QWidget* field) {
    host_.Boxes().Error(this, kIncorrectValue);
    field->setFocus();
    return false;
  };
  const ProfileModel& model = host_.Workers().Model();
  const int position = SourcePosition();
  // A source deleted earlier in the run is still listed, but nothing can be paid from it.
  if (!model.IsValidPosition(position) || SourceText().size() <= 1 || !model.IsLive(position))
    return fail(sourceCombo_);
  const FormatSettings numberFormat = host_.Workers().NumberFormat();
  const auto amountReads = [&numberFormat](const QLineEdit* field) {
    Currency amount = 0;
    return TryStrToCurrGrouped(Text(field), numberFormat, amount) && amount != CurrencyFromUnits(-1);
  };
  const AccountType type = model.Account(position).Type;
  if (type == AccountType::Egold) {
    if (StrToIntDef(Text(egold_.recipient), -1) == -1) return fail(egold_.recipient);
    if (!amountReads(egold_.amount)) return fail(egold_.amount);
  } else if (type == AccountType::LibertyReserve) {
    if (MassMode()) {
      if (massLinesEdit_->toPlainText().trimmed().isEmpty()) return fail(massLinesEdit_);
    } else {
      if (lr_.recipient->text().isEmpty()) return fail(lr_.recipient);
      if (!amountReads(lr_.amount)) return fail(lr_.amount);
    }
  }
  return true;
}

void PaymentDialog::SetState(State state) {
  state_ = state;
  const bool busy = Busy();
  const bool complete = state == State::Complete;
  // An e-gold receipt offers the e-mail notice on the second button; Enter goes to it.
  const bool offersEmail = complete && sourceType_ == AccountType::Egold;
  progressBar_->setVisible(busy);
  detailsPage_->setEnabled(!busy && !complete);
  const bool detailsShown = state == State::Details || state == State::Previewing;
  previewButton_->setText(detailsShown ? kPreviewCaption : kBackCaption);
  previewButton_->setVisible(state != State::Paying && !complete);
  previewButton_->setEnabled(!busy);
  payButton_->setText(offersEmail ? kEmailCaption : kPayCaption);
  payButton_->setVisible(state != State::Paying && (!complete || offersEmail));
  payButton_->setEnabled(!busy && (!complete || bool(host_.Services().emailNotice)));
  cancelButton_->setText(complete ? QStringLiteral("&Close") : QStringLiteral("&Cancel"));
  if (complete) stateLabel_->setText(QString::fromLatin1(kCompleteTitle));
}

void PaymentDialog::BackToDetails(const QString& message) {
  SetState(State::Details);
  if (!message.isEmpty()) host_.Boxes().Error(this, message);
  ShowPage(detailsPage_, kDetailsTitle);
  sourceCombo_->setFocus();
}

SentPayment PaymentDialog::CurrentPayment() const {
  SentPayment sent;
  sent.source = SourcePosition();
  sent.type = sourceType_;
  sent.sourceText = ToLatin1(SourceText());
  if (sourceType_ == AccountType::Egold) {
    const EgoldPayment payment = CurrentEgoldPayment();
    sent.payee = payment.payee;
    sent.amount = payment.amount;
    sent.units = Text(egold_.units) + " of " + payment.metal;
    sent.metal = std::max(0, egold_.metal->currentIndex());
    sent.memo = payment.memo;
    sent.merchant = payment.merchant;
  } else {
    const LRTransfer transfer = CurrentLRTransfer();
    sent.payee = transfer.payee;
    sent.amount = transfer.amount;
    sent.euro = LREuro();
    sent.units = Text(lr_.units);
    sent.memo = transfer.memo;
    sent.merchant = transfer.transferId;
  }
  return sent;
}

bool PaymentDialog::Send(const std::string& url,
                         const std::function<std::vector<std::string>(const AccountRecord&)>& build,
                         const std::function<void(RequestWorker&)>& completion) {
  WorkerHost& workers = host_.Workers();
  AccountRecord account = workers.Model().Account(SourcePosition());
  if (AskAndKeepPassPhrase(workers, account) == AskOutcome::Cancelled) {
    SecureWipe(account.Password);
    return false;
  }
  std::vector<std::string> lines = build(account);
  auto* worker = new RequestWorker(&workers);
  // The requests belong to the host, not to the dialog: a payment's completion still runs
  // after the dialog was closed.
  const bool started = worker->StartLines(
      url, account, std::move(lines), host_.RequestOwner(),
      [completion](RequestWorker& done) {
        completion(done);
        RequestWorker::Release(&done);
      },
      true);
  SecureWipe(account.Password);
  if (!started) {
    RequestWorker::Release(worker);
    return false;
  }
  worker_ = worker;
  return true;
}

bool PaymentDialog::SendLR(const char* path, const char* title,
                           const std::function<std::string(const AccountRecord&)>& build,
                           const std::function<void(RequestWorker&)>& completion) {
  WorkerHost& workers = host_.Workers();
  return Send(
      host_.LibertyReserveBase() + path,
      [&build, &workers, title](const AccountRecord& source) {
        std::string document = build(source);
        workers.AddEvent(title, PaymentLogText(document));
        std::vector<std::string> lines{LRFormBody(document)};
        SecureWipe(document);
        return lines;
      },
      completion);
}

void PaymentDialog::PreviewClicked() {
  if (Busy() || state_ == State::Complete) return;
  if (state_ == State::Preview) {
    BackToDetails();
    return;
  }
  if (!CheckInput()) return;
  host_.Modified() = true;
  SetState(State::Previewing);
  preview_.notice->hide();
  QPointer<PaymentDialog> self(this);
  const auto done = [self](RequestWorker& worker) {
    if (self) self->PreviewDone(worker.Succeeded() ? worker.Response() : std::string());
  };
  bool sent = false;
  if (sourceType_ == AccountType::Egold) {
    const EgoldPayment payment = CurrentEgoldPayment();
    sent = Send(
        host_.EgoldSecureBase() + kEgoldVerifyPath,
        [&payment](const AccountRecord& source) { return EgoldVerifyFields(source, payment); }, done);
  } else {
    std::vector<std::string> payees;
    if (MassMode()) {
      massLines_ = TakeMassLines();
      payees = MassPayees(massLines_);
      if (payees.empty()) {
        // Nothing can be asked for: every line is refused here already.
        ShowMassTable(ReadMassPreview(massLines_, std::string()), true);
        SetState(State::Preview);
        return;
      }
    } else {
      payees.push_back(Text(lr_.recipient));
    }
    sent = SendLR(
        kLRAccountNamePath, "Account name request",
        [&payees](const AccountRecord& source) { return LRAccountNameRequest(source, payees); }, done);
  }
  if (!sent) BackToDetails();
}

void PaymentDialog::PreviewDone(const std::string& reply) {
  if (reply.empty()) {
    BackToDetails();
    return;
  }
  const QString error = sourceType_ == AccountType::Egold ? ShowEgoldPreview(reply) : ShowLRPreview(reply);
  if (!error.isEmpty()) {
    BackToDetails(error);
    return;
  }
  SetState(State::Preview);
}

void PaymentDialog::PayClicked() {
  if (Busy()) return;
  if (state_ == State::Complete) {
    if (sourceType_ == AccountType::Egold) EmailDetails();
    return;
  }
  if (!CheckInput()) return;
  stateBeforeRequest_ = state_;
  SetState(State::Paying);

  bool sent = false;
  const FormatSettings numberFormat = host_.Workers().NumberFormat();
  if (sourceType_ == AccountType::Egold) {
    const EgoldPayment egold = CurrentEgoldPayment();
    const std::string sourceId = host_.Workers().Model().Account(SourcePosition()).ID;
    sent = Send(
        host_.EgoldSecureBase() + kEgoldConfirmPath,
        [&egold](const AccountRecord& source) { return EgoldConfirmFields(source, egold); },
        SinglePaymentDone([sourceId, numberFormat](const std::string& reply) {
          return ReadEgoldReceipt(reply, sourceId, numberFormat);
        }));
  } else if (!MassMode()) {
    const LRTransfer transfer = CurrentLRTransfer();
    const bool euro = LREuro();
    sent = SendLR(
        kLRTransferPath, "Mass payment",
        [&transfer, euro](const AccountRecord& source) {
          return LRSingleTransferRequest(source, transfer, euro);
        },
        SinglePaymentDone([numberFormat, payee = transfer.payee](const std::string& reply) {
          return ReadLRTransferReply(reply, payee, numberFormat);
        }));
  } else {
    massLines_ = TakeMassLines();
    if (MassTransfers(massLines_).empty()) {
      BackToDetails(kIncorrectValue);
      massLinesEdit_->setFocus();
      return;
    }
    sent = SendMassPayment();
  }
  if (!sent) {
    // Nothing was sent: the dialog stays as it was.
    SetState(stateBeforeRequest_);
  }
}

std::function<void(RequestWorker&)> PaymentDialog::SinglePaymentDone(
    const std::function<PaymentOutcome(const std::string&)>& read) {
  QPointer<PaymentDialog> self(this);
  PaymentHost* host = &host_;
  const SentPayment payment = CurrentPayment();
  return [self, host, payment, read](RequestWorker& worker) {
    const PaymentOutcome outcome =
        worker.Succeeded() ? read(worker.Response()) : PaymentTransportFailure(std::string());
    ApplyPayment(*host, payment, outcome);
    if (self) self->SpendDone(outcome);
  };
}

bool PaymentDialog::SendMassPayment() {
  QPointer<PaymentDialog> self(this);
  PaymentHost* host = &host_;
  const std::vector<LRTransfer> transfers = MassTransfers(massLines_);
  const bool euro = MassEuro();
  const std::vector<int> refresh =
      MassPaymentRefreshes(host_.Workers().Model(), SourcePosition(), MassPayees(massLines_));
  return SendLR(
      kLRTransferPath, "Mass payment",
      [&transfers, euro](const AccountRecord& source) {
        return LRMassTransferRequest(source, transfers, euro);
      },
      [self, host, refresh](RequestWorker& worker) {
        // The mass receipt names no closing balance: the source's balance is fetched again,
        // and those of the profile's own accounts it paid.
        for (int position : refresh) host->RefreshBalance(position);
        if (worker.Succeeded()) host->Modified() = false;
        if (self) self->SpendMassDone(worker.Succeeded() ? worker.Response() : std::string());
      });
}

void PaymentDialog::SpendDone(const PaymentOutcome& outcome) {
  switch (outcome.result) {
    case PaymentResult::Refused:
      BackToDetails(FromLatin1(outcome.message));
      return;
    case PaymentResult::TransportFailure:
      // The worker has announced the connection problem; the request may have arrived all
      // the same.
    case PaymentResult::Unknown:
      BackToDetails(QString::fromLatin1(kPaymentUnknownText));
      return;
    case PaymentResult::Paid:
      break;
  }
  ShowReceipt(outcome);
  Remember(PanelOf(sourceType_));
  SetState(State::Complete);
}

void PaymentDialog::SpendMassDone(const std::string& reply) {
  if (reply.empty()) {
    BackToDetails(QString::fromLatin1(kPaymentUnknownText));
    return;
  }
  host_.Workers().AddEvent("Response", PaymentLogText(reply));
  const MassTable table = ReadMassReceipt(massLines_, reply, host_.Workers().NumberFormat());
  ShowMassTable(table, false);
  SetState(State::Complete);
  if (table.unknown > 0) host_.Boxes().Error(this, QString::fromLatin1(kPaymentUnknownText));
}

void PaymentDialog::EmailDetails() {
  if (!host_.Services().emailNotice) return;
  PaymentNotice notice;
  notice.type = sourceType_;
  notice.sender = ToLatin1(SourceText());
  notice.recipient = ToLatin1(receipt_.payeeName->text()) + " <" + Text(egold_.recipient) + ">";
  notice.amount = Text(egold_.amount) + " " + Text(egold_.units) + " of " + Text(egold_.metal);
  notice.memo = Text(egold_.memo);
  notice.merchant = Text(egold_.merchant);
  notice.batch = ToLatin1(receipt_.batchNumber->text());
  host_.Services().emailNotice(this, notice, true);
}

void PaymentDialog::PickRecipient() {
  if (!host_.Services().pickRecipient) return;
  const std::optional<std::string> picked = host_.Services().pickRecipient(this, sourceType_);
  if (!picked || picked->size() <= 2) return;
  PanelOf(sourceType_).recipient->setText(FromLatin1(*picked));
}

void PaymentDialog::AddContact() {
  if (!host_.Services().addContact) return;
  const std::string number = Text(PanelOf(sourceType_).recipient);
  host_.Services().addContact(this, ToLatin1(receipt_.payeeName->text()), sourceType_, number);
}

void PaymentDialog::CopyBatchNumber() {
  QGuiApplication::clipboard()->setText(receipt_.batchNumber->text());
}

void PaymentDialog::EnterPressed() {
  if (Busy()) return;
  QPushButton* button = state_ == State::Details ? previewButton_ : payButton_;
  if (button->isVisible() && button->isEnabled()) button->click();
}

void PaymentDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (!massLinesEdit_->hasFocus()) EnterPressed();
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QDialog::keyPressEvent(event);
}

void PaymentDialog::CancelClicked() {
  close();
}

void PaymentDialog::reject() {
  close();
}

void PaymentDialog::closeEvent(QCloseEvent* event) {
  if (host_.Modified() && !host_.Boxes().Ask(this, QStringLiteral("Do you want to close dialog?"))) {
    event->ignore();
    return;
  }
  // The request goes on; its completion finds the dialog gone and applies a payment through
  // the host only.
  if (worker_) worker_->RequestStop();
  event->accept();
}

PaymentDialog* OpenSpendDialog(PaymentHost& host, QWidget* parent, const PaymentLinkFields& fields) {
  auto* dialog = new PaymentDialog(host, parent);
  dialog->Prefill(fields);
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  return dialog;
}

}  // namespace nummora
