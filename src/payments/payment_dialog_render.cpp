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

QString PaymentDialog::ShowEgoldPreview(const std::string& page) {
  const std::string sourceId = host_.Workers().Model().Account(SourcePosition()).ID;
  const EgoldPreview preview = ReadEgoldPreview(page, sourceId);
  if (!preview.error.empty()) return Latin(preview.error);
  ShowPage(preview_.page, kPreviewTitle);
  host_.Workers().AddEvent("E-gold preview", PaymentLogText(page));
  receipt_.payeeName->setText(Latin(preview.payeeName));
  preview_.payto->setText(QStringLiteral("Pay to: ") + receipt_.payeeName->text() + QStringLiteral("  (") +
                          egold_.recipient->text() + QStringLiteral(")"));
  preview_.from->setText(QStringLiteral("From: ") + SourceText());
  preview_.notice->setVisible(preview.firstTime);
  preview_.amount->setText(QStringLiteral("Amount: ") + egold_.amount->text() + QStringLiteral(" ") +
                           egold_.units->currentText() + QStringLiteral(" of ") +
                           egold_.metal->currentText());
  preview_.memo->setText(QStringLiteral("Memo: ") + egold_.memo->currentText());
  preview_.merchant->setText(QStringLiteral("Merchant # ") + egold_.merchant->currentText());
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
  ShowPage(preview_.page, kPreviewTitle);
  receipt_.payeeName->setText(Latin(name.name));
  const bool hidden = lr_.anonymous->isChecked();
  preview_.from->setText(QStringLiteral("From: ") + SourceText() +
                         (hidden ? QStringLiteral(" (will hidden from recipient)") : QString()));
  preview_.payto->setText(QStringLiteral("Pay to: ") + receipt_.payeeName->text() + QStringLiteral("  (") +
                          lr_.recipient->text() + QStringLiteral(")"));
  preview_.notice->hide();
  preview_.amount->setText(QStringLiteral("Amount: ") + lr_.amount->text() + QStringLiteral(" of ") +
                           lr_.units->currentText());
  preview_.memo->setText(QStringLiteral("Memo: ") + lr_.memo->currentText());
  preview_.merchant->setText(QStringLiteral("Merchant # ") + lr_.merchant->currentText());
  return QString();
}

void PaymentDialog::ShowEgoldReceipt(const PaymentOutcome& outcome) {
  ShowPage(receipt_.page, kCompleteTitle);
  receipt_.batchNumber->setText(Latin(outcome.batch));
  receipt_.batch->setText(QStringLiteral("Batch number: ") + receipt_.batchNumber->text());
  receipt_.from->setText(QStringLiteral("From: ") + SourceText());
  receipt_.amount->setText(QStringLiteral("Amount: ") + egold_.amount->text() + QStringLiteral(" ") +
                           egold_.units->currentText() + QStringLiteral(" of ") +
                           egold_.metal->currentText());
  receipt_.memo->setText(QStringLiteral("Memo: ") + egold_.memo->currentText());
  receipt_.merchant->setText(QStringLiteral("Merchant: ") + egold_.merchant->currentText());
  receipt_.payeeName->setText(Latin(outcome.payeeName));
  receipt_.paidTo->setText(QStringLiteral("Paid to: ") + receipt_.payeeName->text() + QStringLiteral(" (") +
                           egold_.recipient->text() + QStringLiteral(")"));
}

void PaymentDialog::ShowLRReceipt(const PaymentOutcome& outcome) {
  ShowPage(receipt_.page, kCompleteTitle);
  receipt_.batchNumber->setText(Latin(outcome.batch));
  receipt_.batch->setText(QStringLiteral("Transaction number: ") + receipt_.batchNumber->text());
  receipt_.from->setText(
      QStringLiteral("From: ") + SourceText() +
      (lr_.anonymous->isChecked() ? QStringLiteral(" (hidden from recipient)") : QString()));
  receipt_.amount->setText(QStringLiteral("Amount: ") + lr_.amount->text() + QStringLiteral(" of ") +
                           lr_.units->currentText() + QStringLiteral(" (Fee: ") + Latin(outcome.fee) +
                           QStringLiteral(")"));
  receipt_.memo->setText(QStringLiteral("Memo: ") + lr_.memo->currentText());
  receipt_.merchant->setText(QStringLiteral("Merchant: ") + lr_.merchant->currentText());
  receipt_.payeeName->setText(Latin(outcome.payeeName));
  receipt_.paidTo->setText(QStringLiteral("Paid to: ") + receipt_.payeeName->text() + QStringLiteral(" (") +
                           lr_.recipient->text() + QStringLiteral(")"));
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
