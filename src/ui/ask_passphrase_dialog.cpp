#include "ui/ask_passphrase_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/secure_memory.h"
#include "ui/icons.h"
#include "ui/keyboard_widget.h"
#include "ui/latin1.h"
#include "ui/password_field.h"

namespace nummora {

namespace {

constexpr int kAttempts = 3;

}  // namespace

PassphraseDialog::PassphraseDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("TfAsk"));
  setWindowTitle(QStringLiteral("PassPhrase"));
  setModal(true);

  auto* prompt = new QLabel(QStringLiteral("Please enter PassPhrase for"), this);
  lName_ = new QLabel(this);
  lName_->setObjectName(QStringLiteral("lName"));
  lName_->setTextFormat(Qt::PlainText);

  ePasswd_ = new QLineEdit(this);
  ePasswd_->setObjectName(QStringLiteral("ePasswd"));
  MakePasswordField(ePasswd_);

  bKeyboard_ = new QToolButton(this);
  bKeyboard_->setObjectName(QStringLiteral("bKeyboard"));
  bKeyboard_->setAutoRaise(true);
  bKeyboard_->setIcon(KeyboardIcon());
  bKeyboard_->setToolTip(QStringLiteral("Virtual Keyboard"));
  bKeyboard_->setFocusPolicy(Qt::NoFocus);
  connect(bKeyboard_, &QToolButton::clicked, this, &PassphraseDialog::KeyboardClick);

  bOK_ = new QPushButton(QStringLiteral("&OK"), this);
  bOK_->setObjectName(QStringLiteral("bOK"));
  bOK_->setDefault(true);
  connect(bOK_, &QPushButton::clicked, this, [this] {
    if (CheckPasswordField(ePasswd_, nullptr, this)) accept();
  });

  auto* fieldRow = new QHBoxLayout;
  fieldRow->addWidget(ePasswd_, 1);
  fieldRow->addWidget(bKeyboard_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(bOK_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt);
  layout->addWidget(lName_);
  layout->addLayout(fieldRow);
  layout->addLayout(buttons);
  setFixedWidth(260);
}

PassphraseDialog::~PassphraseDialog() {
  ClearPassPhrase();
}

void PassphraseDialog::SetAccountLabel(const std::string& label) {
  lName_->setText(FromLatin1(label) + QLatin1Char(':'));
}

std::string PassphraseDialog::PassPhrase() const {
  return ToLatin1(ePasswd_->text());
}

void PassphraseDialog::ClearPassPhrase() {
  ePasswd_->clear();
}

void PassphraseDialog::showEvent(QShowEvent* event) {
  ClearPassPhrase();
  ePasswd_->setFocus();
  QDialog::showEvent(event);
}

void PassphraseDialog::KeyboardClick() {
  if (keyboard_) {
    keyboard_->raise();
    return;
  }
  keyboard_ = OnScreenKeyboard::Open(this, ePasswd_);
}

std::optional<std::string> PromptPassPhrase(const std::string& accountLabel, std::size_t minimum,
                                            QWidget* parent) {
  PassphraseDialog dialog(parent);
  dialog.SetAccountLabel(accountLabel);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const bool ok = dialog.exec() == QDialog::Accepted;
    std::string typed = dialog.PassPhrase();
    dialog.ClearPassPhrase();
    if (ok && typed.size() >= minimum) return typed;
    SecureWipe(typed);
  }
  return std::nullopt;
}

}  // namespace nummora
