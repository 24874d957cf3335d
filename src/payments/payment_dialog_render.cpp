// How the payment dialog shows the payment systems' replies: the preview and receipt pages
// of both systems and the table of a mass payment.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "payments/egold_payment.h"
#include "payments/lr_payment.h"
#include "payments/mass_table_view.h"
#include "payments/payment_dialog.h"
#include "payments/spend_host.h"
#include "ui/latin1.h"

namespace nummora {
namespace {

QString Latin(const std::string& text) {
  return FromLatin1(text);
}

// Whether a blank line comes before a line that holds more than blanks.
bool HasInnerBlankLine(const std::string& text) {
  bool blankSeen = false;
  bool lineBlank = true;
  for (char c : text) {
    if (c == '\n') {
      blankSeen = blankSeen || lineBlank;
      lineBlank = true;
    } else if (static_cast<unsigned char>(c) > ' ') {
      if (blankSeen) return true;
      lineBlank = false;
    }
  }
  return false;
}

}  // namespace

QString PaymentDialog::AmountText() const {
  const PayeePanel& panel = PanelOf(sourceType_);
  if (sourceType_ == AccountType::Egold)
    return panel.amount->text() + QStringLiteral(" ") + panel.units->currentText() + QStringLiteral(" of ") +
           panel.metal->currentText();
  return panel.amount->text() + QStringLiteral(" of ") + panel.units->currentText();
}

void PaymentDialog::ShowPreview(const std::string& payeeName, bool firstTime, const QString& fromNote) {
  const PayeePanel& panel = PanelOf(sourceType_);
  ShowPage(preview_.page, kPreviewTitle);
  receipt_.payeeName->setText(Latin(payeeName));
  preview_.from->setText(QStringLiteral("From: ") + SourceText() + fromNote);
  preview_.payto->setText(QStringLiteral("Pay to: ") + receipt_.payeeName->text() + QStringLiteral("  (") +
                          panel.recipient->text() + QStringLiteral(")"));
  preview_.notice->setVisible(firstTime);
  preview_.amount->setText(QStringLiteral("Amount: ") + AmountText());
  preview_.memo->setText(QStringLiteral("Memo: ") + panel.memo->currentText());
  preview_.merchant->setText(QStringLiteral("Merchant # ") + panel.merchant->currentText());
}

QString PaymentDialog::ShowEgoldPreview(const std::string& page) {
  const std::string sourceId = host_.Workers().Model().Account(SourcePosition()).ID;
  const EgoldPreview preview = ReadEgoldPreview(page, sourceId);
  if (!preview.error.empty()) return Latin(preview.error);
  host_.Workers().AddEvent("E-gold preview", PaymentLogText(page));
  ShowPreview(preview.payeeName, preview.firstTime, QString());
  return QString();
}

QString PaymentDialog::ShowLRPreview(const std::string& reply) {
  if (MassMode()) {
    host_.Workers().AddEvent("Next text", PaymentLogText(reply));
    ShowMassTable(ReadMassPreview(massLines_, reply), true);
    return QString();
  }
  const LRNameReply name = ReadLRAccountNameReply(reply);
  if (!name.error.empty()) return Latin(name.error);
  const bool hidden = lr_.anonymous->isChecked();
  ShowPreview(name.name, false, hidden ? QStringLiteral(" (will hidden from recipient)") : QString());
  return QString();
}

void PaymentDialog::ShowReceipt(const PaymentOutcome& outcome) {
  const PayeePanel& panel = PanelOf(sourceType_);
  const bool egold = sourceType_ == AccountType::Egold;
  ShowPage(receipt_.page, kCompleteTitle);
  receipt_.batchNumber->setText(Latin(outcome.batch));
  receipt_.batch->setText(
      (egold ? QStringLiteral("Batch number: ") : QStringLiteral("Transaction number: ")) +
      receipt_.batchNumber->text());
  const bool hidden = !egold && lr_.anonymous->isChecked();
  receipt_.from->setText(QStringLiteral("From: ") + SourceText() +
                         (hidden ? QStringLiteral(" (hidden from recipient)") : QString()));
  receipt_.amount->setText(
      QStringLiteral("Amount: ") + AmountText() +
      (egold ? QString() : QStringLiteral(" (Fee: ") + Latin(outcome.fee) + QStringLiteral(")")));
  receipt_.memo->setText(QStringLiteral("Memo: ") + panel.memo->currentText());
  receipt_.merchant->setText(QStringLiteral("Merchant: ") + panel.merchant->currentText());
  receipt_.payeeName->setText(Latin(outcome.payeeName));
  receipt_.paidTo->setText(QStringLiteral("Paid to: ") + receipt_.payeeName->text() + QStringLiteral(" (") +
                           panel.recipient->text() + QStringLiteral(")"));
}

void PaymentDialog::ShowMassTable(const MassTable& table, bool preview) {
  ShowPage(massPage_, preview ? kPreviewTitle : kCompleteTitle);
  massList_->Show(table, preview);
  massInfoLabel_->setText(Latin(MassSummary(table, MassEuro())));
}

void PaymentDialog::DeleteMassRow(int n) {
  if (state_ == State::Complete || n < 0 || n >= static_cast<int>(massLines_.size())) return;
  // Lines and rows are aligned (blank lines went when the preview started).
  std::vector<std::string> lines = MassListLines(ToLatin1(massLinesEdit_->toPlainText()));
  if (n < static_cast<int>(lines.size())) lines.erase(lines.begin() + n);
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  massLinesEdit_->setPlainText(FromLatin1(text));
  massList_->RemoveRow(n, massLines_[n].amount);
  massLines_.erase(massLines_.begin() + n);
  massInfoLabel_->setText(Latin(MassSummary(massList_->Table(), MassEuro())));
}

std::vector<MassLine> PaymentDialog::TakeMassLines() {
  const std::string typed = ToLatin1(massLinesEdit_->toPlainText());
  std::string text;
  for (const std::string& line : MassListLines(typed)) text += (text.empty() ? "" : "\n") + line;
  // Blank lines before a line with text would shift the rows against the lines: they go. The
  // field is rewritten only then, since a long list takes a while to lay out again.
  if (HasInnerBlankLine(typed)) massLinesEdit_->setPlainText(FromLatin1(text));
  return ReadMassList(text, ToLatin1(massAmountEdit_->text()), ToLatin1(massMemoEdit_->text()),
                      host_.Workers().NumberFormat());
}

}  // namespace nummora
