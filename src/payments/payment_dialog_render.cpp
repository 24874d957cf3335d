// How the payment dialog shows the payment systems' replies: the preview and receipt pages
// of both systems and the table of a mass payment.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTreeWidget>

#include "payments/egold_payment.h"
#include "payments/lr_payment.h"
#include "payments/payment_dialog.h"
#include "payments/spend_host.h"
#include "ui/latin1.h"

namespace nummora {
namespace {

QString Latin(const std::string& text) {
  return FromLatin1(text);
}

QIcon RowPicture(MassRowState state) {
  const QStyle::StandardPixmap pictures[] = {QStyle::SP_MessageBoxWarning, QStyle::SP_MessageBoxInformation,
                                             QStyle::SP_DialogApplyButton};
  return QApplication::style()->standardIcon(pictures[static_cast<int>(state)]);
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
  ShowPage(tPreview, kPreviewTitle);
  host_.Workers().AddEvent("E-gold preview", PaymentLogText(page));
  eName->setText(Latin(preview.payeeName));
  lPayto->setText(QStringLiteral("Pay to: ") + eName->text() + QStringLiteral("  (") + eRecipient->text() +
                  QStringLiteral(")"));
  lFrom->setText(QStringLiteral("From: ") + SourceText());
  lNotice->setVisible(preview.firstTime);
  lAmount->setText(QStringLiteral("Amount: ") + eAmount->text() + QStringLiteral(" ") +
                   eUnits->currentText() + QStringLiteral(" of ") + eMetal->currentText());
  lMemo->setText(QStringLiteral("Memo: ") + eMemo->currentText());
  lMerchant->setText(QStringLiteral("Merchant # ") + eMerchant->currentText());
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
  ShowPage(tPreview, kPreviewTitle);
  eName->setText(Latin(name.name));
  const bool hidden = eLRAnonymous->isChecked();
  lFrom->setText(QStringLiteral("From: ") + SourceText() +
                 (hidden ? QStringLiteral(" (will hidden from recipient)") : QString()));
  lPayto->setText(QStringLiteral("Pay to: ") + eName->text() + QStringLiteral("  (") + eLRRecipient->text() +
                  QStringLiteral(")"));
  lNotice->hide();
  lAmount->setText(QStringLiteral("Amount: ") + eLRAmount->text() + QStringLiteral(" of ") +
                   eLRCurrency->currentText());
  lMemo->setText(QStringLiteral("Memo: ") + eLRMemo->currentText());
  lMerchant->setText(QStringLiteral("Merchant # ") + eLRMerchant->currentText());
  return QString();
}

void PaymentDialog::ShowEgoldReceipt(const PaymentOutcome& outcome) {
  ShowPage(tPaid, kCompleteTitle);
  Batch->setText(Latin(outcome.batch));
  aBatch->setText(QStringLiteral("Batch number: ") + Batch->text());
  aFrom->setText(QStringLiteral("From: ") + SourceText());
  aAmount->setText(QStringLiteral("Amount: ") + eAmount->text() + QStringLiteral(" ") +
                   eUnits->currentText() + QStringLiteral(" of ") + eMetal->currentText());
  aMemo->setText(QStringLiteral("Memo: ") + eMemo->currentText());
  aMerchant->setText(QStringLiteral("Merchant: ") + eMerchant->currentText());
  eName->setText(Latin(outcome.payeeName));
  aPaid->setText(QStringLiteral("Paid to: ") + eName->text() + QStringLiteral(" (") + eRecipient->text() +
                 QStringLiteral(")"));
}

void PaymentDialog::ShowLRReceipt(const PaymentOutcome& outcome) {
  ShowPage(tPaid, kCompleteTitle);
  Batch->setText(Latin(outcome.batch));
  aBatch->setText(QStringLiteral("Transaction number: ") + Batch->text());
  aFrom->setText(QStringLiteral("From: ") + SourceText() +
                 (eLRAnonymous->isChecked() ? QStringLiteral(" (hidden from recipient)") : QString()));
  aAmount->setText(QStringLiteral("Amount: ") + eLRAmount->text() + QStringLiteral(" of ") +
                   eLRCurrency->currentText() + QStringLiteral(" (Fee: ") + Latin(outcome.fee) +
                   QStringLiteral(")"));
  aMemo->setText(QStringLiteral("Memo: ") + eLRMemo->currentText());
  aMerchant->setText(QStringLiteral("Merchant: ") + eLRMerchant->currentText());
  eName->setText(Latin(outcome.payeeName));
  aPaid->setText(QStringLiteral("Paid to: ") + eName->text() + QStringLiteral(" (") + eLRRecipient->text() +
                 QStringLiteral(")"));
}

void PaymentDialog::ShowMassTable(const MassTable& table, bool preview) {
  ShowPage(tPreviewLRMass, preview ? kPreviewTitle : kCompleteTitle);
  massTable_ = table;
  LRMassList->clear();
  // One picture for each state, shared by its rows: a style may read its pictures from files
  // at every request, which for a thousand rows stalled the window.
  QIcon pictures[3];
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<int>(table.rows.size()));
  for (const MassRow& row : table.rows) {
    auto* item =
        new QTreeWidgetItem({Latin(row.caption), Latin(row.amount), Latin(row.memo), Latin(row.transferId)});
    QIcon& picture = pictures[static_cast<int>(row.state)];
    if (picture.isNull()) picture = RowPicture(row.state);
    item->setIcon(0, picture);
    item->setData(0, Qt::UserRole, static_cast<int>(row.state));
    items.append(item);
  }
  LRMassList->addTopLevelItems(items);
  // The context menu with "Delete transaction" belongs to a preview only.
  LRMassList->setContextMenuPolicy(preview ? Qt::CustomContextMenu : Qt::NoContextMenu);
  lLRMassInfo->setText(Latin(MassSummary(table, MassEuro())));
}

void PaymentDialog::PopupMassPopup() {
  DeleteTransaction->setEnabled(LRMassList->currentItem() != nullptr &&
                                LRMassList->currentItem()->isSelected());
}

void PaymentDialog::DeleteTransactionClick() {
  QTreeWidgetItem* item = LRMassList->currentItem();
  if (!item || state_ == State::Complete || LRMassList->contextMenuPolicy() != Qt::CustomContextMenu) return;
  const int n = LRMassList->indexOfTopLevelItem(item);
  if (n < 0 || n >= static_cast<int>(massLines_.size())) return;
  // Lines and rows are aligned (blank lines went when the preview started).
  std::vector<std::string> lines = MassListLines(ToLatin1(eLRMass->toPlainText()));
  if (n < static_cast<int>(lines.size())) lines.erase(lines.begin() + n);
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  eLRMass->setPlainText(FromLatin1(text));
  if (massTable_.rows[n].state == MassRowState::NameFound) {
    --massTable_.count;
    massTable_.total -= massLines_[n].amount;
  }
  massTable_.rows.erase(massTable_.rows.begin() + n);
  massLines_.erase(massLines_.begin() + n);
  delete LRMassList->takeTopLevelItem(n);
  lLRMassInfo->setText(Latin(MassSummary(massTable_, MassEuro())));
}

std::vector<MassLine> PaymentDialog::TakeMassLines() {
  const std::string typed = ToLatin1(eLRMass->toPlainText());
  std::string text;
  for (const std::string& line : MassListLines(typed)) text += (text.empty() ? "" : "\n") + line;
  // Blank lines before a line with text would shift the rows against the lines: they go. The
  // field is rewritten only then, since a long list takes a while to lay out again.
  if (HasInnerBlankLine(typed)) eLRMass->setPlainText(FromLatin1(text));
  return ReadMassList(text, ToLatin1(eLRDAmount->text()), ToLatin1(eLRDMemo->text()),
                      host_.Workers().NumberFormat());
}

}  // namespace nummora
