#include "operations/details_dialog.h"

#include <QAction>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/edit_menu.h"
#include "ui/latin1.h"
#include "ui/layout_scale.h"

namespace nummora {

PaymentDetailsDialog::PaymentDetailsDialog(const DetailsFields& f, QAction* emailDetails, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("fDetails"));
  setWindowTitle(QStringLiteral("Details"));
  setWindowFlag(Qt::Tool, true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* form = new QFormLayout;
  form->setObjectName(QStringLiteral("DetailsForm"));
  auto add = [&](const char* name, const char* label, const std::string& text) {
    form->addRow(QString::fromLatin1(label), AddField(name, label, text));
  };
  add("eType", "Type:", f.made ? "Payment made" : "Payment received");
  add("eDate", "Date:", f.date);
  add("eBatch", "Batch:", f.batch);
  add("eAccount", "To/From:", f.account);
  add("eAmount", "Amount:", f.amount);
  add("eMemo", "Memo:", f.memo);
  add("eMerchant", "Merchant:", f.merchant);

  auto* bEmail = new QPushButton(this);
  bEmail->setObjectName(QStringLiteral("bEmail"));
  if (emailDetails) {
    // The button stands for the command: its caption, its enabled state and its effect.
    bEmail->setText(emailDetails->text());
    bEmail->setEnabled(emailDetails->isEnabled());
    connect(emailDetails, &QAction::changed, bEmail,
            [bEmail, emailDetails] { bEmail->setEnabled(emailDetails->isEnabled()); });
    connect(bEmail, &QPushButton::clicked, emailDetails, &QAction::trigger);
  } else {
    bEmail->setText(QStringLiteral("E-mail details"));
    bEmail->setEnabled(false);
  }
  auto* bClose = new QPushButton(QStringLiteral("&Close"), this);
  bClose->setObjectName(QStringLiteral("bClose"));
  bClose->setDefault(true);
  connect(bClose, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(bEmail);
  buttons->addStretch(1);
  buttons->addWidget(bClose);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  setMinimumWidth(LayoutScale::ForApplication().X(320));
}

QLineEdit* PaymentDetailsDialog::AddField(const char* name, const char*, const std::string& text) {
  auto* e = new QLineEdit(FromLatin1(text), this);
  e->setObjectName(QString::fromLatin1(name));
  e->setReadOnly(true);
  e->setCursorPosition(0);
  InstallEditMenu(e);
  return e;
}

}  // namespace nummora
