#include "profile/new_profile_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "profile/login_flow.h"
#include "ui/edit_menu.h"
#include "ui/icons.h"
#include "ui/keyboard_widget.h"
#include "ui/latin1.h"
#include "ui/password_field.h"

namespace nummora {

NewProfileDialog::NewProfileDialog(QWidget* parent, MessageBoxes* boxes) : QDialog(parent), boxes_(boxes) {
  setObjectName(QStringLiteral("fNewUser"));
  setWindowTitle(QStringLiteral("New user"));
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  eUserName_ = new QLineEdit(this);
  eUserName_->setObjectName(QStringLiteral("eUserName"));
  ePassword_ = new QLineEdit(this);
  ePassword_->setObjectName(QStringLiteral("ePassword"));
  MakePasswordField(ePassword_);
  eConfirm_ = new QLineEdit(this);
  eConfirm_->setObjectName(QStringLiteral("eConfirm"));
  MakePasswordField(eConfirm_);
  eHint_ = new QLineEdit(this);
  eHint_->setObjectName(QStringLiteral("eHint"));

  const auto keyboardButton = [this](const char* name, QLineEdit* target) {
    auto* b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(KeyboardIcon());
    b->setToolTip(QStringLiteral("Virtual Keyboard"));
    b->setAutoRaise(true);
    connect(b, &QToolButton::clicked, this, [this, target] { OnScreenKeyboard::Open(this, target); });
    return b;
  };

  auto* grid = new QGridLayout;
  const auto label = [this](const char* text, QLineEdit* buddy) {
    auto* l = new QLabel(QString::fromLatin1(text), this);
    l->setBuddy(buddy);
    return l;
  };
  grid->addWidget(label("&User name:", eUserName_), 0, 0);
  grid->addWidget(eUserName_, 0, 1);
  grid->addWidget(label("&Password:", ePassword_), 1, 0);
  grid->addWidget(ePassword_, 1, 1);
  grid->addWidget(keyboardButton("bKeyboard1", ePassword_), 1, 2);
  grid->addWidget(label("&Confirm password:", eConfirm_), 2, 0);
  grid->addWidget(eConfirm_, 2, 1);
  grid->addWidget(keyboardButton("bKeyboard2", eConfirm_), 2, 2);
  grid->addWidget(label("&Password hint:", eHint_), 3, 0);
  grid->addWidget(eHint_, 3, 1);

  bOK_ = new QPushButton(QStringLiteral("&OK"), this);
  bOK_->setObjectName(QStringLiteral("bOK"));
  bOK_->setDefault(true);
  bOK_->setEnabled(false);
  auto* bCancel = new QPushButton(QStringLiteral("C&ancel"), this);
  bCancel->setObjectName(QStringLiteral("bCancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(bOK_);
  buttons->addWidget(bCancel);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addSpacing(6);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  setMinimumWidth(320);

  for (QLineEdit* e : {eUserName_, ePassword_, eConfirm_, eHint_}) InstallEditMenu(e);
  for (QLineEdit* e : {eUserName_, ePassword_, eConfirm_, eHint_})
    connect(e, &QLineEdit::textChanged, this, &NewProfileDialog::CheckOk);
  connect(bOK_, &QPushButton::clicked, this, &QDialog::accept);
  connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void NewProfileDialog::accept() {
  if (!CheckPasswordField(ePassword_, boxes_, this) || !CheckPasswordField(eConfirm_, boxes_, this)) return;
  QDialog::accept();
}

void NewProfileDialog::CheckOk() {
  bOK_->setEnabled(NewProfileOkEnabled(UserName(), Password(), ToLatin1(eConfirm_->text())));
}

std::string NewProfileDialog::UserName() const {
  return ToLatin1(eUserName_->text());
}
std::string NewProfileDialog::Password() const {
  return ToLatin1(ePassword_->text());
}
std::string NewProfileDialog::Hint() const {
  return ToLatin1(eHint_->text());
}

void NewProfileDialog::ClearPasswords() {
  ePassword_->clear();
  eConfirm_->clear();
}

}  // namespace nummora
