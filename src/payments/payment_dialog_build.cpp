// The widgets of the payment dialog and its creation (FormCreate).
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "payments/egold_payment.h"
#include "payments/payment_dialog.h"
#include "payments/spend_host.h"
#include "ui/edit_menu.h"
#include "ui/icons.h"
#include "ui/latin1.h"
#include "ui/layout_scale.h"

namespace nummora {
namespace {

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// A free-text field with its remembered texts offered as choices.
QComboBox* HistoryField(const char* name, int maxLength = 0) {
  auto* field = Named(new QComboBox, name);
  field->setEditable(true);
  field->setInsertPolicy(QComboBox::NoInsert);
  field->setCompleter(nullptr);  // typed text is sent as typed, never completed
  if (maxLength > 0) field->lineEdit()->setMaxLength(maxLength);
  InstallEditMenu(field->lineEdit());
  return field;
}

QLineEdit* TextField(const char* name) {
  auto* field = Named(new QLineEdit, name);
  InstallEditMenu(field);
  return field;
}

// A line of the preview or receipt page: server texts are shown as plain text.
QLabel* InfoLine(const char* name) {
  auto* label = Named(new QLabel, name);
  label->setTextFormat(Qt::PlainText);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setWordWrap(true);
  return label;
}

QPushButton* Button(const char* name, const char* caption, const char* hint = nullptr) {
  auto* button = Named(new QPushButton(QString::fromLatin1(caption)), name);
  button->setAutoDefault(false);
  if (hint) button->setToolTip(QString::fromLatin1(hint));
  return button;
}

QLabel* FieldCaption(const char* caption, QWidget* buddy) {
  auto* label = new QLabel(QString::fromLatin1(caption));
  label->setBuddy(buddy);
  return label;
}

}  // namespace

PaymentDialog::PaymentDialog(PaymentHost& host, QWidget* parent) : QDialog(parent), host_(host) {
  setObjectName(QStringLiteral("TfSpend"));
  setWindowTitle(QStringLiteral("Spend"));
  setAttribute(Qt::WA_DeleteOnClose);
  if (host_.StayOnTop()) setWindowFlag(Qt::WindowStaysOnTopHint, true);
  BuildWindow();
  FormCreate();
  ConnectFields();
}

void PaymentDialog::BuildWindow() {
  const LayoutScale scale = LayoutScale::ForApplication();
  auto* layout = new QVBoxLayout(this);

  pTop = Named(new QFrame, "pTop");
  pTop->setFrameShape(QFrame::StyledPanel);
  pTop->setAutoFillBackground(true);
  pTop->setBackgroundRole(QPalette::Base);
  auto* top = new QHBoxLayout(pTop);
  auto* picture = new QLabel;
  picture->setPixmap(ProgramIcon().pixmap(scale.Y(32), scale.Y(32)));
  top->addWidget(picture);
  lState = Named(new QLabel(QString::fromLatin1(kDetailsTitle)), "lState");
  QFont bold = lState->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  lState->setFont(bold);
  top->addWidget(lState, 1);
  layout->addWidget(pTop);

  pages_ = Named(new QStackedWidget, "Pages");
  pages_->addWidget(tPaymentInfo = BuildDetailsPage());
  pages_->addWidget(tPreview = BuildPreviewPage());
  pages_->addWidget(tPaid = BuildPaidPage());
  pages_->addWidget(tPreviewLRMass = BuildMassPage());
  layout->addWidget(pages_, 1);

  auto* bottom = new QHBoxLayout;
  pMsg = Named(new QProgressBar, "pMsg");
  pMsg->setRange(0, 0);  // a marquee: the request's length is unknown
  pMsg->setTextVisible(false);
  pMsg->setMaximumWidth(scale.X(120));
  pMsg->hide();
  bottom->addWidget(pMsg);
  bottom->addStretch(1);
  bPreview = Button("bPreview", "P&review >>");
  bPreview->setDefault(true);
  bPay = Button("bPay", "Pa&y");
  Cancel = Button("Cancel", "&Cancel");
  bottom->addWidget(bPreview);
  bottom->addWidget(bPay);
  bottom->addWidget(Cancel);
  layout->addLayout(bottom);

  resize(scale.Size(470, 370));
}

QWidget* PaymentDialog::BuildDetailsPage() {
  auto* page = Named(new QWidget, "tPaymentInfo");
  auto* layout = new QVBoxLayout(page);
  auto* sourceRow = new QFormLayout;
  eSource = Named(new QComboBox, "eSource");
  sourceRow->addRow(FieldCaption("&Source:", eSource), eSource);
  layout->addLayout(sourceRow);
  layout->addWidget(pEgold = BuildEgoldPanel());
  layout->addWidget(pLR = BuildLRPanel());
  layout->addStretch(1);
  pLR->hide();
  return page;
}

QWidget* PaymentDialog::BuildEgoldPanel() {
  auto* panel = Named(new QWidget, "pEgold");
  auto* form = new QFormLayout(panel);
  form->setContentsMargins(0, 0, 0, 0);

  auto* payee = new QHBoxLayout;
  eRecipient = TextField("eRecipient");
  bSelect = Button("bSelect", "...", "Select from address book");
  payee->addWidget(eRecipient, 1);
  payee->addWidget(bSelect);
  form->addRow(FieldCaption("&Pay to:", eRecipient), payee);

  auto* amount = new QHBoxLayout;
  eAmount = TextField("eAmount");
  eUnits = Named(new QComboBox, "eUnits");
  for (const EgoldUnit& unit : kEgoldUnits) eUnits->addItem(QString::fromLatin1(unit.caption));
  eUnits->setMaxVisibleItems(kEgoldUnitCount);
  amount->addWidget(eAmount, 1);
  amount->addWidget(eUnits, 2);
  form->addRow(FieldCaption("&Amount:", eAmount), amount);

  eMetal = Named(new QComboBox, "eMetal");
  for (const char* metal : kEgoldMetalNames) eMetal->addItem(QString::fromLatin1(metal));
  form->addRow(FieldCaption("&of:", eMetal), eMetal);

  auto* memo = new QHBoxLayout;
  eMemo = HistoryField("eMemo");
  chMemo = Named(new QLabel(QStringLiteral("0 char.")), "chMemo");
  memo->addWidget(eMemo, 1);
  memo->addWidget(chMemo);
  form->addRow(FieldCaption("&Memo:", eMemo), memo);

  auto* merchant = new QHBoxLayout;
  eMerchant = HistoryField("eMerchant");
  chMerchant = Named(new QLabel(QStringLiteral("0 char.")), "chMerchant");
  merchant->addWidget(eMerchant, 1);
  merchant->addWidget(chMerchant);
  form->addRow(FieldCaption("M&erchant:", eMerchant), merchant);
  return panel;
}

QWidget* PaymentDialog::BuildLRPanel() {
  auto* panel = Named(new QWidget, "pLR");
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* modes = new QHBoxLayout;
  LRTypeOne = Named(new QRadioButton(QStringLiteral("One transaction")), "LRTypeOne");
  LRTypeMass = Named(new QRadioButton(QStringLiteral("Mass payment")), "LRTypeMass");
  LRTypeOne->setChecked(true);
  auto* group = new QButtonGroup(panel);
  group->addButton(LRTypeOne);
  group->addButton(LRTypeMass);
  modes->addWidget(LRTypeOne);
  modes->addWidget(LRTypeMass);
  modes->addStretch(1);
  layout->addLayout(modes);

  pLROne = Named(new QWidget, "pLROne");
  auto* one = new QFormLayout(pLROne);
  one->setContentsMargins(0, 0, 0, 0);
  auto* payee = new QHBoxLayout;
  eLRRecipient = TextField("eLRRecipient");
  bLRSelect = Button("bLRSelect", "...", "Select from address book");
  payee->addWidget(eLRRecipient, 1);
  payee->addWidget(bLRSelect);
  one->addRow(FieldCaption("&Pay to:", eLRRecipient), payee);
  auto* amount = new QHBoxLayout;
  eLRAmount = TextField("eLRAmount");
  eLRCurrency = Named(new QComboBox, "eLRCurrency");
  eLRCurrency->addItems({QStringLiteral("US Dollars"), QStringLiteral("Euro")});
  amount->addWidget(eLRAmount, 1);
  amount->addWidget(eLRCurrency, 1);
  one->addRow(FieldCaption("&Amount:", eLRAmount), amount);
  eLRMemo = HistoryField("eLRMemo");
  one->addRow(FieldCaption("&Memo:", eLRMemo), eLRMemo);
  eLRMerchant = HistoryField("eLRMerchant", 20);
  one->addRow(FieldCaption("M&erchant:", eLRMerchant), eLRMerchant);
  eLRAnonymous =
      Named(new QCheckBox(QStringLiteral("Liberty Reserve charges $0.75 fee for each private payment")),
            "eLRAnonymous");
  one->addRow(FieldCaption("P&rivate:", eLRAnonymous), eLRAnonymous);
  layout->addWidget(pLROne);

  pLRMasspayment = Named(new QWidget, "pLRMasspayment");
  auto* mass = new QVBoxLayout(pLRMasspayment);
  mass->setContentsMargins(0, 0, 0, 0);
  auto* defaults = new QFormLayout;
  auto* amountRow = new QHBoxLayout;
  eLRDAmount = TextField("eLRDAmount");
  eLRDValute = Named(new QComboBox, "eLRDValute");
  eLRDValute->addItems({QStringLiteral("US Dollars"), QStringLiteral("Euro")});
  amountRow->addWidget(eLRDAmount, 1);
  amountRow->addWidget(eLRDValute, 1);
  defaults->addRow(FieldCaption("Default &amount:", eLRDAmount), amountRow);
  eLRDMemo = TextField("eLRDMemo");
  defaults->addRow(FieldCaption("Default &memo:", eLRDMemo), eLRDMemo);
  mass->addLayout(defaults);
  mass->addWidget(new QLabel(QStringLiteral("Account ID, Amount, Memo, Merchant")));
  eLRMass = Named(new QPlainTextEdit, "eLRMass");
  eLRMass->setLineWrapMode(QPlainTextEdit::NoWrap);
  mass->addWidget(eLRMass, 1);
  layout->addWidget(pLRMasspayment, 1);
  pLRMasspayment->hide();
  return panel;
}

QWidget* PaymentDialog::BuildPreviewPage() {
  auto* page = Named(new QWidget, "tPreview");
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(lFrom = InfoLine("lFrom"));
  layout->addWidget(lPayto = InfoLine("lPayto"));
  lNotice = InfoLine("lNotice");
  lNotice->setText(QString::fromLatin1(kFirstTimeNotice));
  lNotice->setStyleSheet(QStringLiteral("color: #b00000"));
  lNotice->hide();
  layout->addWidget(lNotice);
  layout->addWidget(lAmount = InfoLine("lAmount"));
  layout->addWidget(lMemo = InfoLine("lMemo"));
  layout->addWidget(lMerchant = InfoLine("lMerchant"));
  bAdd2 = Button("bAdd2", "Add to address book", "Add recipient to address book");
  layout->addWidget(bAdd2, 0, Qt::AlignLeft);
  layout->addStretch(1);
  return page;
}

QWidget* PaymentDialog::BuildPaidPage() {
  auto* page = Named(new QWidget, "tPaid");
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(aBatch = InfoLine("aBatch"));
  layout->addWidget(aFrom = InfoLine("aFrom"));
  layout->addWidget(aPaid = InfoLine("aPaid"));
  layout->addWidget(aAmount = InfoLine("aAmount"));
  layout->addWidget(aMemo = InfoLine("aMemo"));
  layout->addWidget(aMerchant = InfoLine("aMerchant"));
  eName = InfoLine("eName");
  eName->hide();
  Batch = InfoLine("Batch");
  Batch->hide();
  layout->addWidget(eName);
  layout->addWidget(Batch);
  auto* buttons = new QHBoxLayout;
  bAdd = Button("bAdd", "Add to address book", "Add recipient to address book");
  CopyBatch = Button("CopyBatch", "Copy batch number", "Copy Batch number to clipboard");
  buttons->addWidget(bAdd);
  buttons->addWidget(CopyBatch);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  layout->addStretch(1);
  return page;
}

QWidget* PaymentDialog::BuildMassPage() {
  auto* page = Named(new QWidget, "tPreviewLRMass");
  auto* layout = new QVBoxLayout(page);
  lLRMassInfo = InfoLine("lLRMassInfo");
  layout->addWidget(lLRMassInfo);
  LRMassList = Named(new QTreeWidget, "LRMassList");
  LRMassList->setRootIsDecorated(false);
  LRMassList->setUniformRowHeights(true);
  LRMassList->setHeaderLabels({QStringLiteral("Account"), QStringLiteral("Amount"), QStringLiteral("Memo"),
                               QStringLiteral("Trans. ID")});
  const LayoutScale scale = LayoutScale::ForApplication();
  LRMassList->setColumnWidth(0, scale.X(170));
  LRMassList->setColumnWidth(1, scale.X(55));
  LRMassList->setColumnWidth(2, scale.X(140));
  layout->addWidget(LRMassList, 1);
  PopupMass = Named(new QMenu(this), "PopupMass");
  DeleteTransaction = PopupMass->addAction(QStringLiteral("Delete transaction"));
  DeleteTransaction->setObjectName(QStringLiteral("DeleteTransaction"));
  return page;
}

void PaymentDialog::FormCreate() {
  const ProfileModel& model = host_.Workers().Model();
  const int currency = model.DisplayCurrency == "EUR" ? 1 : 0;
  eUnits->setCurrentIndex(currency < 7 ? currency + 4 : currency + 5);
  eSource->blockSignals(true);
  for (int i = 0; i < model.AccountCount(); ++i) {
    const AccountRecord& account = model.Account(i);
    eSource->addItem(AccountTypeIcon(account.Type), FromLatin1(AccountLabel(account)));
  }
  eSource->setCurrentIndex(model.IsValidPosition(host_.SelectedAccount()) ? host_.SelectedAccount() : -1);
  eSource->blockSignals(false);
  const PaymentServices& services = host_.Services();
  bSelect->setEnabled(bool(services.pickRecipient));
  bLRSelect->setEnabled(bool(services.pickRecipient));
  bAdd->setEnabled(bool(services.addContact));
  bAdd2->setEnabled(bool(services.addContact));
}

}  // namespace nummora
