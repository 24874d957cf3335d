// The widgets of the payment dialog, their layout, and the readers of the fields' values.
#include "payments/payment_form.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "payments/mass_table_view.h"
#include "payments/payment_effects.h"
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

std::string Text(const QLineEdit* field) {
  return ToLatin1(field->text());
}

std::string Text(const QComboBox* field) {
  return ToLatin1(field->currentText());
}

QString CounterText(const QString& text) {
  return QString::number(text.size()) + QStringLiteral(" char.");
}

QLabel* FieldCaption(const char* caption, QWidget* buddy) {
  auto* label = new QLabel(QString::fromLatin1(caption));
  label->setBuddy(buddy);
  return label;
}

// The names and captions that tell the e-gold panel from the Liberty Reserve single-payment
// panel; the rest the two share.
struct PayeePanelNames {
  const char* panel;
  const char* recipient;
  const char* select;
  const char* amount;
  const char* units;
  QStringList unitCaptions;
  int unitsStretch;
  const char* metal;  // the metal row (e-gold), or none
  const char* memo;
  const char* memoCounter;  // the length counter beside the memo (e-gold), or none
  const char* merchant;
  const char* merchantCounter;  // the length counter beside the merchant (e-gold), or none
  int merchantMaxLength;        // 0: no limit
  const char* anonymous;        // the private-payment box (Liberty Reserve), or none
};

QStringList CurrencyCaptions() {
  return {QStringLiteral("US Dollars"), QStringLiteral("Euro")};
}

QStringList EgoldUnitCaptions() {
  QStringList captions;
  for (const EgoldUnit& unit : kEgoldUnits) captions.append(QString::fromLatin1(unit.caption));
  return captions;
}

PayeePanelNames EgoldPanelNames() {
  return {"pEgold", "eRecipient", "bSelect", "eAmount", "eUnits",    EgoldUnitCaptions(),
          2,        "eMetal",     "eMemo",   "chMemo",  "eMerchant", "chMerchant",
          0,        nullptr};
}

PayeePanelNames LRPanelNames() {
  return {"pLROne", "eLRRecipient", "bLRSelect", "eLRAmount", "eLRCurrency", CurrencyCaptions(),
          1,        nullptr,        "eLRMemo",   nullptr,     "eLRMerchant", nullptr,
          20,       "eLRAnonymous"};
}

// A row of a field with a widget beside it.
QHBoxLayout* Beside(QWidget* field, QWidget* extra, int extraStretch = 0) {
  auto* row = new QHBoxLayout;
  row->addWidget(field, 1);
  row->addWidget(extra, extraStretch);
  return row;
}

// A history field's row: with its length counter when the panel has one.
void AddHistoryRow(QFormLayout* form, const char* caption, QComboBox* field, const char* counterName,
                   QLabel*& counter) {
  if (!counterName) {
    form->addRow(FieldCaption(caption, field), field);
    return;
  }
  counter = Named(new QLabel(QStringLiteral("0 char.")), counterName);
  form->addRow(FieldCaption(caption, field), Beside(field, counter));
}

PayeePanel BuildPayeePanel(const PayeePanelNames& names) {
  PayeePanel p;
  p.panel = Named(new QWidget, names.panel);
  auto* form = new QFormLayout(p.panel);
  form->setContentsMargins(0, 0, 0, 0);
  p.recipient = TextField(names.recipient);
  p.select = Button(names.select, "...", "Select from address book");
  form->addRow(FieldCaption("&Pay to:", p.recipient), Beside(p.recipient, p.select));
  p.amount = TextField(names.amount);
  p.units = Named(new QComboBox, names.units);
  p.units->addItems(names.unitCaptions);
  form->addRow(FieldCaption("&Amount:", p.amount), Beside(p.amount, p.units, names.unitsStretch));
  if (names.metal) {
    p.metal = Named(new QComboBox, names.metal);
    for (const char* metal : kEgoldMetalNames) p.metal->addItem(QString::fromLatin1(metal));
    form->addRow(FieldCaption("&of:", p.metal), p.metal);
  }
  p.memo = HistoryField(names.memo);
  AddHistoryRow(form, "&Memo:", p.memo, names.memoCounter, p.memoCounter);
  p.merchant = HistoryField(names.merchant, names.merchantMaxLength);
  AddHistoryRow(form, "M&erchant:", p.merchant, names.merchantCounter, p.merchantCounter);
  if (names.anonymous) {
    p.anonymous =
        Named(new QCheckBox(QStringLiteral("Liberty Reserve charges $0.75 fee for each private payment")),
              names.anonymous);
    form->addRow(FieldCaption("P&rivate:", p.anonymous), p.anonymous);
  }
  return p;
}

}  // namespace

PaymentForm::PaymentForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TfSpend"));
  setWindowTitle(QStringLiteral("Spend"));
  setAttribute(Qt::WA_DeleteOnClose);
  BuildWindow();
  ConnectFieldBehaviour();
}

PaymentForm::~PaymentForm() = default;

void PaymentForm::ConnectFieldBehaviour() {
  for (const auto& [field, counter] :
       {std::pair{egold_.memo, egold_.memoCounter}, std::pair{egold_.merchant, egold_.merchantCounter}}) {
    connect(field, &QComboBox::editTextChanged, this,
            [counter](const QString& text) { counter->setText(CounterText(text)); });
  }
  // Liberty Reserve account numbers are upper case; the cursor stays where the user typed.
  connect(lr_.recipient, &QLineEdit::textEdited, this, [this](const QString& text) {
    const int cursor = lr_.recipient->cursorPosition();
    lr_.recipient->setText(text.toUpper());
    lr_.recipient->setCursorPosition(cursor);
  });
}

bool PaymentForm::HoldsText() const {
  bool holdsText = !massLinesEdit_->toPlainText().isEmpty();
  for (const QLineEdit* field :
       {egold_.recipient, egold_.amount, lr_.recipient, lr_.amount, massAmountEdit_, massMemoEdit_})
    holdsText = holdsText || !field->text().isEmpty();
  for (const QComboBox* field : {egold_.memo, egold_.merchant, lr_.memo, lr_.merchant})
    holdsText = holdsText || !field->currentText().isEmpty();
  return holdsText;
}

void PaymentForm::OfferChoices(QComboBox* field, const std::vector<std::string>& choices) {
  const QString typed = field->currentText();
  const QSignalBlocker blocker(field);
  field->clear();
  for (const std::string& choice : choices) field->addItem(FromLatin1(choice));
  field->setCurrentIndex(-1);
  field->setEditText(typed);
}

void PaymentForm::Remember(const PayeePanel& panel) {
  for (QComboBox* field : {panel.memo, panel.merchant}) {
    const std::string text = Text(field);
    if (WorthRemembering(text)) AddChoice(field, text);
  }
}

void PaymentForm::AddChoice(QComboBox* field, const std::string& text) {
  std::vector<std::string> choices;
  for (int i = 0; i < field->count(); ++i) choices.push_back(ToLatin1(field->itemText(i)));
  choices.push_back(text);
  std::stable_sort(choices.begin(), choices.end(), AlphabeticalLess);
  OfferChoices(field, choices);
}

void PaymentForm::BuildWindow() {
  const LayoutScale scale = LayoutScale::ForApplication();
  auto* layout = new QVBoxLayout(this);

  topFrame_ = Named(new QFrame, "pTop");
  topFrame_->setFrameShape(QFrame::StyledPanel);
  topFrame_->setAutoFillBackground(true);
  topFrame_->setBackgroundRole(QPalette::Base);
  auto* top = new QHBoxLayout(topFrame_);
  auto* picture = new QLabel;
  picture->setPixmap(ProgramIcon().pixmap(scale.Y(32), scale.Y(32)));
  top->addWidget(picture);
  stateLabel_ = Named(new QLabel(QString::fromLatin1(kDetailsTitle)), "lState");
  QFont bold = stateLabel_->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  stateLabel_->setFont(bold);
  top->addWidget(stateLabel_, 1);
  layout->addWidget(topFrame_);

  pages_ = Named(new QStackedWidget, "Pages");
  pages_->addWidget(detailsPage_ = BuildDetailsPage());
  pages_->addWidget(preview_.page = BuildPreviewPage());
  pages_->addWidget(receipt_.page = BuildPaidPage());
  pages_->addWidget(massPage_ = BuildMassPage());
  layout->addWidget(pages_, 1);

  auto* bottom = new QHBoxLayout;
  progressBar_ = Named(new QProgressBar, "pMsg");
  progressBar_->setRange(0, 0);  // a marquee: the request's length is unknown
  progressBar_->setTextVisible(false);
  progressBar_->setMaximumWidth(scale.X(120));
  progressBar_->hide();
  bottom->addWidget(progressBar_);
  bottom->addStretch(1);
  previewButton_ = Button("bPreview", "P&review >>");
  previewButton_->setDefault(true);
  payButton_ = Button("bPay", "Pa&y");
  cancelButton_ = Button("Cancel", "&Cancel");
  bottom->addWidget(previewButton_);
  bottom->addWidget(payButton_);
  bottom->addWidget(cancelButton_);
  layout->addLayout(bottom);

  resize(scale.Size(470, 370));
}

QWidget* PaymentForm::BuildDetailsPage() {
  auto* page = Named(new QWidget, "tPaymentInfo");
  auto* layout = new QVBoxLayout(page);
  auto* sourceRow = new QFormLayout;
  sourceCombo_ = Named(new QComboBox, "eSource");
  sourceRow->addRow(FieldCaption("&Source:", sourceCombo_), sourceCombo_);
  layout->addLayout(sourceRow);
  egold_ = BuildPayeePanel(EgoldPanelNames());
  egold_.units->setMaxVisibleItems(kEgoldUnitCount);
  layout->addWidget(egold_.panel);
  layout->addWidget(lrPanel_ = BuildLRPanel());
  layout->addStretch(1);
  lrPanel_->hide();
  return page;
}

QWidget* PaymentForm::BuildLRPanel() {
  auto* panel = Named(new QWidget, "pLR");
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* modes = new QHBoxLayout;
  lrOneRadio_ = Named(new QRadioButton(QStringLiteral("One transaction")), "LRTypeOne");
  lrMassRadio_ = Named(new QRadioButton(QStringLiteral("Mass payment")), "LRTypeMass");
  lrOneRadio_->setChecked(true);
  auto* group = new QButtonGroup(panel);
  group->addButton(lrOneRadio_);
  group->addButton(lrMassRadio_);
  modes->addWidget(lrOneRadio_);
  modes->addWidget(lrMassRadio_);
  modes->addStretch(1);
  layout->addLayout(modes);

  lr_ = BuildPayeePanel(LRPanelNames());
  layout->addWidget(lr_.panel);

  massPanel_ = Named(new QWidget, "pLRMasspayment");
  auto* mass = new QVBoxLayout(massPanel_);
  mass->setContentsMargins(0, 0, 0, 0);
  auto* defaults = new QFormLayout;
  auto* amountRow = new QHBoxLayout;
  massAmountEdit_ = TextField("eLRDAmount");
  massCurrencyCombo_ = Named(new QComboBox, "eLRDValute");
  massCurrencyCombo_->addItems(CurrencyCaptions());
  amountRow->addWidget(massAmountEdit_, 1);
  amountRow->addWidget(massCurrencyCombo_, 1);
  defaults->addRow(FieldCaption("Default &amount:", massAmountEdit_), amountRow);
  massMemoEdit_ = TextField("eLRDMemo");
  defaults->addRow(FieldCaption("Default &memo:", massMemoEdit_), massMemoEdit_);
  mass->addLayout(defaults);
  mass->addWidget(new QLabel(QStringLiteral("Account ID, Amount, Memo, Merchant")));
  massLinesEdit_ = Named(new QPlainTextEdit, "eLRMass");
  massLinesEdit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  mass->addWidget(massLinesEdit_, 1);
  layout->addWidget(massPanel_, 1);
  massPanel_->hide();
  return panel;
}

QWidget* PaymentForm::BuildPreviewPage() {
  auto* page = Named(new QWidget, "tPreview");
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(preview_.from = InfoLine("lFrom"));
  layout->addWidget(preview_.payto = InfoLine("lPayto"));
  preview_.notice = InfoLine("lNotice");
  preview_.notice->setText(QString::fromLatin1(kFirstTimeNotice));
  preview_.notice->setStyleSheet(QStringLiteral("color: #b00000"));
  preview_.notice->hide();
  layout->addWidget(preview_.notice);
  layout->addWidget(preview_.amount = InfoLine("lAmount"));
  layout->addWidget(preview_.memo = InfoLine("lMemo"));
  layout->addWidget(preview_.merchant = InfoLine("lMerchant"));
  preview_.addContact = Button("bAdd2", "Add to address book", "Add recipient to address book");
  layout->addWidget(preview_.addContact, 0, Qt::AlignLeft);
  layout->addStretch(1);
  return page;
}

QWidget* PaymentForm::BuildPaidPage() {
  auto* page = Named(new QWidget, "tPaid");
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(receipt_.batch = InfoLine("aBatch"));
  layout->addWidget(receipt_.from = InfoLine("aFrom"));
  layout->addWidget(receipt_.paidTo = InfoLine("aPaid"));
  layout->addWidget(receipt_.amount = InfoLine("aAmount"));
  layout->addWidget(receipt_.memo = InfoLine("aMemo"));
  layout->addWidget(receipt_.merchant = InfoLine("aMerchant"));
  receipt_.payeeName = InfoLine("eName");
  receipt_.payeeName->hide();
  receipt_.batchNumber = InfoLine("Batch");
  receipt_.batchNumber->hide();
  layout->addWidget(receipt_.payeeName);
  layout->addWidget(receipt_.batchNumber);
  auto* buttons = new QHBoxLayout;
  receipt_.addContact = Button("bAdd", "Add to address book", "Add recipient to address book");
  receipt_.copyBatch = Button("CopyBatch", "Copy batch number", "Copy Batch number to clipboard");
  buttons->addWidget(receipt_.addContact);
  buttons->addWidget(receipt_.copyBatch);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  layout->addStretch(1);
  return page;
}

QWidget* PaymentForm::BuildMassPage() {
  auto* page = Named(new QWidget, "tPreviewLRMass");
  auto* layout = new QVBoxLayout(page);
  massInfoLabel_ = InfoLine("lLRMassInfo");
  layout->addWidget(massInfoLabel_);
  massList_ = new MassTableView;
  layout->addWidget(massList_, 1);
  return page;
}

void PaymentForm::ShowPage(QWidget* page, const char* title) {
  pages_->setCurrentWidget(page);
  stateLabel_->setText(QString::fromLatin1(title));
}

int PaymentForm::SourcePosition() const {
  return sourceCombo_->currentIndex();
}

QString PaymentForm::SourceText() const {
  return sourceCombo_->currentText();
}

bool PaymentForm::MassMode() const {
  return lrMassRadio_->isChecked();
}

bool PaymentForm::LREuro() const {
  return lr_.units->currentIndex() != 0;
}

bool PaymentForm::MassEuro() const {
  return massCurrencyCombo_->currentIndex() != 0;
}

EgoldPayment PaymentForm::CurrentEgoldPayment() const {
  EgoldPayment payment;
  payment.payee = Text(egold_.recipient);
  payment.amount = Text(egold_.amount);
  payment.payIn = kEgoldUnits[std::max(0, egold_.units->currentIndex())].code;
  payment.metal = Text(egold_.metal);
  payment.memo = Text(egold_.memo);
  payment.merchant = Text(egold_.merchant);
  return payment;
}

LRTransfer PaymentForm::CurrentLRTransfer() const {
  LRTransfer transfer;
  transfer.payee = Text(lr_.recipient);
  transfer.amount = Text(lr_.amount);
  transfer.memo = Text(lr_.memo);
  transfer.transferId = Text(lr_.merchant);
  transfer.anonymous = lr_.anonymous->isChecked();
  return transfer;
}

}  // namespace nummora
