#include "profile/login_dialog.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/secure_memory.h"
#include "platform/caps_lock.h"
#include "profile/login_flow.h"
#include "profile/new_profile_dialog.h"
#include "ui/balloon_widget.h"
#include "ui/edit_menu.h"
#include "ui/icons.h"
#include "ui/keyboard_widget.h"
#include "ui/latin1.h"
#include "ui/message_box.h"
#include "ui/password_field.h"

namespace nummora {

LoginDialog::LoginDialog(SettingsStore& store, const FormatSettings& regional, MessageBoxes* boxes,
                         QWidget* parent)
    : QDialog(parent), store_(store), regional_(regional), boxes_(boxes) {
  setObjectName(QStringLiteral("fLogin"));
  setWindowTitle(QStringLiteral("Nummora Login"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  capsLockOn = [] { return CapsLockOn(); };
  runNewUser = [](NewProfileDialog& dialog) { return dialog.exec() == QDialog::Accepted; };

  cProfiles_ = new QListWidget(this);
  cProfiles_->setObjectName(QStringLiteral("cProfiles"));
  cProfiles_->setSelectionMode(QAbstractItemView::SingleSelection);
  ePassword_ = new QLineEdit(this);
  ePassword_->setObjectName(QStringLiteral("ePassword"));
  MakePasswordField(ePassword_);
  InstallEditMenu(ePassword_);
  auto* bKeyboard = new QToolButton(this);
  bKeyboard->setObjectName(QStringLiteral("bKeyboard"));
  bKeyboard->setIcon(KeyboardIcon());
  bKeyboard->setToolTip(QStringLiteral("Virtual Keyboard"));
  bKeyboard->setAutoRaise(true);
  auto* bNewProfile = new QPushButton(QStringLiteral("&New profile"), this);
  bNewProfile->setObjectName(QStringLiteral("bNewProfile"));
  bNewProfile->setAutoDefault(false);
  bOK_ = new QPushButton(QStringLiteral("&OK"), this);
  bOK_->setObjectName(QStringLiteral("bOK"));
  bOK_->setDefault(true);
  bOK_->setEnabled(false);
  balloon_ = new BalloonTip(this);

  auto* profileLabel = new QLabel(QStringLiteral("&Profile name:"), this);
  profileLabel->setBuddy(cProfiles_);
  auto* passwordLabel = new QLabel(QStringLiteral("&Password:"), this);
  passwordLabel->setBuddy(ePassword_);
  auto* passwordRow = new QHBoxLayout;
  passwordRow->addWidget(ePassword_, 1);
  passwordRow->addWidget(bKeyboard);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(bNewProfile);
  buttons->addStretch(1);
  buttons->addWidget(bOK_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(profileLabel);
  layout->addWidget(cProfiles_);
  layout->addWidget(passwordLabel);
  layout->addLayout(passwordRow);
  layout->addSpacing(6);
  layout->addLayout(buttons);
  setFixedSize(300, 300);

  connect(cProfiles_, &QListWidget::itemSelectionChanged, this, &LoginDialog::CheckOk);
  connect(cProfiles_, &QListWidget::itemClicked, this, &LoginDialog::CheckOk);
  connect(ePassword_, &QLineEdit::textChanged, this, &LoginDialog::CheckOk);
  connect(bKeyboard, &QToolButton::clicked, this, [this] { OnScreenKeyboard::Open(this, ePassword_); });
  connect(bOK_, &QPushButton::clicked, this, &LoginDialog::OnOkClicked);
  connect(bNewProfile, &QPushButton::clicked, this, &LoginDialog::OnNewProfileClicked);
  FillList();
}

LoginDialog::~LoginDialog() {
  SecureWipe(profileText_);
}

void LoginDialog::showEvent(QShowEvent* event) {
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  QDialog::showEvent(event);
  // The icon's pictures are decoded once the window has been laid out and asked for, in the
  // next turn of the event loop (in practice still before the window system maps it).
  if (!iconScheduled_) {
    iconScheduled_ = true;
    QTimer::singleShot(0, this, [this] { setWindowIcon(ProgramIcon()); });
  }
}

void LoginDialog::FillList() {
  cProfiles_->clear();
  ProfileList list;
  try {
    list = ReadProfileList(store_);
  } catch (const std::exception& e) {
    Refuse(FromLatin1(e.what()));
  }
  for (const std::string& name : list.names) cProfiles_->addItem(FromLatin1(name));
  if (list.selected >= 0) {
    cProfiles_->setCurrentRow(list.selected);
    ePassword_->setFocus();
  } else {
    cProfiles_->setCurrentRow(-1);
    cProfiles_->clearSelection();
  }
  CheckOk();
}

void LoginDialog::CheckOk() {
  const int selected = cProfiles_->selectedItems().isEmpty() ? -1 : cProfiles_->currentRow();
  bOK_->setEnabled(LoginOkEnabled(selected, ToLatin1(ePassword_->text())));
}

void LoginDialog::Refuse(const QString& message) {
  BoxesOrSystem(boxes_).Error(this, message);
}

void LoginDialog::OnOkClicked() {
  if (!bOK_->isEnabled()) return;
  if (!CheckPasswordField(ePassword_, boxes_, this)) return;
  const int position = cProfiles_->currentRow();
  const std::string name = ToLatin1(cProfiles_->currentItem()->text());
  SecretString password(ToLatin1(ePassword_->text()));
  LoginResult result;
  // The key derivation of a strong profile takes about half a second.
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    result = AttemptLogin(store_, position, name, password.str(), regional_);
  } catch (const std::exception& e) {
    QGuiApplication::restoreOverrideCursor();
    Refuse(FromLatin1(e.what()));
    return;
  }
  QGuiApplication::restoreOverrideCursor();
  switch (result.outcome) {
    case LoginOutcome::Success:
      profileName_ = name;
      profileKey_ = std::move(result.key);
      profileText_ = std::move(result.text);
      ePassword_->clear();
      accept();
      return;
    case LoginOutcome::FileMissing:
      Refuse(FromLatin1(result.message));
      delete cProfiles_->takeItem(position);
      cProfiles_->clearSelection();
      CheckOk();
      return;
    case LoginOutcome::WrongPassword: {
      ePassword_->clear();
      ePassword_->setFocus();
      QStringList lines;
      for (const std::string& line : WrongPasswordLines(result.hint, capsLockOn && capsLockOn()))
        lines << FromLatin1(line);
      balloon_->ShowAt(ePassword_, BalloonTip::Icon::Error, QStringLiteral("Wrong password"),
                       lines.join(QLatin1Char('\n')), 5000);
      return;
    }
    case LoginOutcome::Empty:
    case LoginOutcome::Damaged:
    case LoginOutcome::Unreadable:
      Refuse(FromLatin1(result.message));
      return;
  }
}

void LoginDialog::OnNewProfileClicked() {
  NewProfileDialog dialog(this, boxes_);
  if (runNewUser(dialog)) {
    const std::string name = dialog.UserName();
    SecretString password(dialog.Password());
    dialog.ClearPasswords();
    try {
      if (const auto problem = ProfileNameProblem(name)) {
        Refuse(FromLatin1(*problem));
      } else if (const auto file = NewProfileFileProblem(NewProfilePath(name))) {
        Refuse(FromLatin1(*file));  // a profile file is never replaced by a new, empty one
      } else if (!ProfileExists(store_, name) ||
                 BoxesOrSystem(boxes_).Ask(
                     this, QStringLiteral(
                               "A profile named \"%1\" exists already. Replace it with a new, empty profile?")
                               .arg(FromLatin1(name)))) {
        CreateProfile(store_, name, password.str(), dialog.Hint());
      }
    } catch (const std::exception& e) {
      Refuse(FromLatin1(e.what()));
    }
    FillList();
  }
  dialog.ClearPasswords();
  ePassword_->clear();
}

bool RunLogin(SettingsStore& store, const FormatSettings& regional, std::string& profileName,
              ProfileKey& profileKey, std::string& profileText) {
  LoginDialog login(store, regional);
  if (login.exec() != QDialog::Accepted) return false;
  profileName = login.ProfileName();
  profileKey = login.TakeProfileKey();
  profileText = login.TakeProfileText();
  return true;
}

}  // namespace nummora
