#include "accounts/account_editor_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "accounts/account_editor_rules.h"
#include "ui/edit_menu.h"
#include "ui/icons.h"
#include "ui/keyboard_widget.h"
#include "ui/latin1.h"
#include "ui/message_box.h"
#include "ui/password_field.h"

namespace nummora {

namespace {
QLineEdit* Field(QWidget* parent, const char* name, int maxLength, bool masked = false) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  if (maxLength > 0) e->setMaxLength(maxLength);
  if (masked) MakePasswordField(e);
  InstallEditMenu(e);
  return e;
}

QToolButton* KeyboardButton(QWidget* parent, const char* name) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setIcon(KeyboardIcon());
  b->setToolTip(QStringLiteral("Virtual Keyboard"));
  b->setAutoRaise(true);
  return b;
}

QToolButton* SignupButton(QWidget* parent, const char* name) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setIcon(AccountTypeIcon(AccountType::Egold));
  b->setToolTip(QStringLiteral("Create new account"));
  b->setAutoRaise(true);
  return b;
}

QLabel* LinkLabel(QWidget* parent, const char* name, const char* text) {
  auto* l = new QLabel(QStringLiteral("<a href=\"#\">%1</a>").arg(QString::fromLatin1(text)), parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setTextFormat(Qt::RichText);
  return l;
}
}  // namespace

AccountEditorDialog::AccountEditorDialog(bool isNew, std::function<bool(const std::string&)> accountExists,
                                         MessageBoxes* boxes, QWidget* parent)
    : QDialog(parent), new_(isNew), accountExists_(std::move(accountExists)), boxes_(boxes) {
  setObjectName(QStringLiteral("fAccount"));
  setWindowTitle(isNew ? QStringLiteral("New account") : QStringLiteral("Account info"));
  openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

  cAccountType_ = new QComboBox(this);
  cAccountType_->setObjectName(QStringLiteral("cAccountType"));
  cAccountType_->addItem(AccountTypeIcon(AccountType::Egold), QStringLiteral("E-gold"));
  cAccountType_->addItem(AccountTypeIcon(AccountType::LibertyReserve), QStringLiteral("Liberty Reserve"));
  cAccountType_->setCurrentIndex(1);

  pages_ = new QStackedWidget(this);
  pages_->setObjectName(QStringLiteral("Pages"));
  pages_->addWidget(BuildEgoldPage());
  pages_->addWidget(BuildLibertyReservePage());
  BuildLayout();
  connect(cAccountType_, &QComboBox::currentIndexChanged, this, &AccountEditorDialog::OnAccountTypeChanged);
  connect(eEvery_, &QCheckBox::toggled, this, &AccountEditorDialog::OnEveryToggled);
  ResetForShow();
}

QWidget* AccountEditorDialog::BuildEgoldPage() {
  auto* egold = new QGroupBox(QStringLiteral("  E-gold Login Information  "));
  egold->setObjectName(QStringLiteral("gbEgold"));
  eName_ = Field(egold, "eName", 25);
  eID_ = Field(egold, "eID", 11);
  ePass_ = Field(egold, "ePass", 0, true);
  auto* kbEgold = KeyboardButton(egold, "bKeyboard");
  auto* egoldSignup = SignupButton(egold, "bRegisterEgold");
  {
    auto* form = new QFormLayout(egold);
    form->addRow(QStringLiteral("Account name"), eName_);
    auto* idRow = new QHBoxLayout;
    idRow->addWidget(eID_);
    idRow->addWidget(egoldSignup);
    form->addRow(QStringLiteral("E-gold #"), idRow);
    auto* passRow = new QHBoxLayout;
    passRow->addWidget(ePass_);
    passRow->addWidget(kbEgold);
    form->addRow(QStringLiteral("Passphrase"), passRow);
  }
  p2_ = LinkLabel(this, "P2", "Don't have an e-gold account yet?");
  auto* egoldPage = new QWidget;
  auto* egoldLayout = new QVBoxLayout(egoldPage);
  egoldLayout->setContentsMargins(0, 0, 0, 0);
  egoldLayout->addWidget(egold);
  egoldLayout->addWidget(p2_);
  connect(kbEgold, &QToolButton::clicked, this, [this] { OnScreenKeyboard::Open(this, ePass_); });
  connect(egoldSignup, &QToolButton::clicked, this, &AccountEditorDialog::OpenEgoldSignup);
  connect(static_cast<QLabel*>(p2_), &QLabel::linkActivated, this, &AccountEditorDialog::OpenEgoldSignup);
  return egoldPage;
}

QWidget* AccountEditorDialog::BuildLibertyReservePage() {
  auto* lr = new QGroupBox(QStringLiteral("  Liberty Reserver Login Information  "));
  lr->setObjectName(QStringLiteral("gbLR"));
  eLRID_ = Field(lr, "eLRID", 11);
  eLRPass_ = Field(lr, "eLRPass", 0, true);
  eLRName_ = Field(lr, "eLRName", 25);
  eLRAPI_ = Field(lr, "eLRAPI", 25);
  auto* kbLR = KeyboardButton(lr, "bLRKeyboard");
  auto* lrSignup = SignupButton(lr, "bRegisterLRButton");
  lrSignup->setIcon(AccountTypeIcon(AccountType::LibertyReserve));
  {
    auto* form = new QFormLayout(lr);
    auto* idRow = new QHBoxLayout;
    idRow->addWidget(eLRID_);
    idRow->addWidget(lrSignup);
    form->addRow(QStringLiteral("Account #"), idRow);
    auto* passRow = new QHBoxLayout;
    passRow->addWidget(eLRPass_);
    passRow->addWidget(kbLR);
    form->addRow(QStringLiteral("Password"), passRow);
    form->addRow(QStringLiteral("Account name"), eLRName_);
    form->addRow(QStringLiteral("API name"), eLRAPI_);
  }
  auto* lrLink = LinkLabel(this, "bRegisterLR", "Don't have Liberty Reserve account yet?");
  auto* lrPage = new QWidget;
  auto* lrLayout = new QVBoxLayout(lrPage);
  lrLayout->setContentsMargins(0, 0, 0, 0);
  lrLayout->addWidget(lr);
  lrLayout->addWidget(lrLink);
  connect(kbLR, &QToolButton::clicked, this, [this] { OnScreenKeyboard::Open(this, eLRPass_); });
  connect(lrSignup, &QToolButton::clicked, this, &AccountEditorDialog::OpenLibertySignup);
  connect(lrLink, &QLabel::linkActivated, this, &AccountEditorDialog::OpenLibertySignup);
  return lrPage;
}

// The account type above the pages; the refresh options and the buttons below them.
void AccountEditorDialog::BuildLayout() {
  eStartup_ = new QCheckBox(QStringLiteral("Update balance at startup"), this);
  eStartup_->setObjectName(QStringLiteral("eStartup"));
  eStartup_->setChecked(true);
  eEvery_ = new QCheckBox(QStringLiteral("Update every"), this);
  eEvery_->setObjectName(QStringLiteral("eEvery"));
  eMin_ = Field(this, "eMin", 6);
  eMin_->setText(QStringLiteral("10"));
  eMin_->setMaximumWidth(60);
  eMin_->setEnabled(false);

  bOk_ = new QPushButton(QStringLiteral("&OK"), this);
  bOk_->setObjectName(QStringLiteral("bOk"));
  bOk_->setDefault(true);
  auto* bCancel = new QPushButton(QStringLiteral("&Cancel"), this);
  bCancel->setObjectName(QStringLiteral("bCancel"));

  auto* typeRow = new QHBoxLayout;
  typeRow->addWidget(new QLabel(QStringLiteral("Account type:"), this));
  typeRow->addWidget(cAccountType_, 1);
  auto* everyRow = new QHBoxLayout;
  everyRow->addWidget(eEvery_);
  everyRow->addWidget(eMin_);
  everyRow->addWidget(new QLabel(QStringLiteral("min."), this));
  everyRow->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(bOk_);
  buttons->addWidget(bCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(typeRow);
  layout->addWidget(pages_);
  layout->addWidget(eStartup_);
  layout->addLayout(everyRow);
  layout->addStretch(1);
  layout->addLayout(buttons);
  setMinimumWidth(360);
  connect(bOk_, &QPushButton::clicked, this, &AccountEditorDialog::OnOkClicked);
  connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void AccountEditorDialog::showEvent(QShowEvent* event) {
  ResetForShow();
  QDialog::showEvent(event);
}

void AccountEditorDialog::ResetForShow() {
  if (!new_) {
    p2_->hide();
    cAccountType_->setEnabled(false);  // the type of an existing account cannot change
  }
  OnAccountTypeChanged();
}

void AccountEditorDialog::OnAccountTypeChanged() {
  pages_->setCurrentIndex(cAccountType_->currentIndex() == 0 ? 0 : 1);
}

void AccountEditorDialog::OnEveryToggled() {
  eMin_->setEnabled(eEvery_->isChecked());
}

void AccountEditorDialog::Fill(const AccountRecord& account) {
  cAccountType_->setCurrentIndex(account.Type == AccountType::Egold ? 0 : 1);
  if (account.Type == AccountType::Egold) {
    eID_->setText(FromLatin1(account.ID));
    ePass_->setText(FromLatin1(account.Password));
    eName_->setText(FromLatin1(account.Name));
  } else {
    eLRID_->setText(FromLatin1(account.ID));
    eLRAPI_->setText(FromLatin1(account.APIname));
    eLRPass_->setText(FromLatin1(account.Password));
    eLRName_->setText(FromLatin1(account.Name));
  }
  eStartup_->setChecked(account.Update);
  eEvery_->setChecked(account.Refresh != 0);
  eMin_->setEnabled(eEvery_->isChecked());
  eMin_->setText(QString::number(account.Refresh));
  OnAccountTypeChanged();
}

AccountType AccountEditorDialog::SelectedType() const {
  return cAccountType_->currentIndex() == 0 ? AccountType::Egold : AccountType::LibertyReserve;
}

void AccountEditorDialog::ApplyTo(AccountRecord& account) const {
  if (SelectedType() == AccountType::Egold) {
    account.Name = ToLatin1(eName_->text());
    account.ID = ToLatin1(eID_->text());
    account.Password = ToLatin1(ePass_->text());
  } else {
    account.Name = ToLatin1(eLRName_->text());
    account.ID = ToLatin1(eLRID_->text());
    account.Password = ToLatin1(eLRPass_->text());
    account.APIname = ToLatin1(eLRAPI_->text());
  }
  account.Update = eStartup_->isChecked();
  account.Refresh = EditorRefreshMinutes(eEvery_->isChecked(), ToLatin1(eMin_->text()));
}

void AccountEditorDialog::OnOkClicked() {
  if (!CheckPasswordField(SelectedType() == AccountType::Egold ? ePass_ : eLRPass_, boxes_, this)) return;
  AccountEditorInput input;
  input.isNew = new_;
  input.type = SelectedType();
  input.egoldName = ToLatin1(eName_->text());
  input.egoldId = ToLatin1(eID_->text());
  input.egoldPass = ToLatin1(ePass_->text());
  input.lrId = ToLatin1(eLRID_->text());
  input.lrPass = ToLatin1(eLRPass_->text());
  input.lrName = ToLatin1(eLRName_->text());
  input.lrApiName = ToLatin1(eLRAPI_->text());
  input.every = eEvery_->isChecked();
  input.minutes = ToLatin1(eMin_->text());
  const auto refusal = CheckAccountEditor(input, accountExists_);
  if (!refusal) {
    accept();
    return;
  }
  BoxesOrSystem(boxes_).Error(this, QString::fromLatin1(refusal->message.c_str()));
  QLineEdit* field = eID_;
  switch (refusal->field) {
    case EditorField::eName:
      field = eName_;
      break;
    case EditorField::eID:
      field = eID_;
      break;
    case EditorField::ePass:
      field = ePass_;
      break;
    case EditorField::eLRID:
      field = eLRID_;
      break;
    case EditorField::eLRPass:
      field = eLRPass_;
      break;
    case EditorField::eLRName:
      field = eLRName_;
      break;
    case EditorField::eLRAPI:
      field = eLRAPI_;
      break;
    case EditorField::eMin:
      field = eMin_;
      break;
  }
  field->setFocus();
}

void AccountEditorDialog::OpenEgoldSignup() {
  if (openUrl) openUrl(QUrl(FromLatin1(egoldSecureBase + "/newacct/newaccount.asp?cid=" + egoldSignupId)));
}

void AccountEditorDialog::OpenLibertySignup() {
  if (openUrl) openUrl(QUrl(FromLatin1(vendorBase + "/services/new_lr.php?reg=0")));
}

}  // namespace nummora
