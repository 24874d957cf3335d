#include "operations/email_dialog.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/settings_store.h"
#include "profile/profile_settings.h"
#include "ui/edit_menu.h"
#include "ui/latin1.h"
#include "ui/layout_scale.h"
#include "ui/message_box.h"

namespace nummora {

namespace {
QLineEdit* Field(QWidget* parent, const char* name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  InstallEditMenu(e);
  return e;
}

// Opens the profile's settings key; false when there is no store or no such key.
bool OpenProfileKey(SettingsStore* store, const std::string& profileName, bool create) {
  if (!store) return false;
  store->SetRootKey(RootKey::LocalMachine);
  return store->OpenKey(ProfileKeyPath(profileName), create);
}
}  // namespace

EmailNoticeDialog::EmailNoticeDialog(const PaymentNotice& notice, EmailSetup setup, QWidget* parent)
    : QDialog(parent), notice_(notice), setup_(std::move(setup)) {
  setObjectName(QStringLiteral("fEmail"));
  setWindowTitle(QStringLiteral("E-mail payment notification"));
  setWindowFlag(Qt::Tool, true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setAttribute(Qt::WA_DeleteOnClose);

  yName_ = Field(this, "yName");
  yMail_ = Field(this, "yMail");
  eName_ = Field(this, "eName");
  eMail_ = Field(this, "eMail");
  auto* yours = new QGroupBox(QStringLiteral("Your details"), this);
  auto* yourForm = new QFormLayout(yours);
  yourForm->addRow(QStringLiteral("&Name:"), yName_);
  yourForm->addRow(QStringLiteral("&E-mail:"), yMail_);
  auto* theirs = new QGroupBox(QStringLiteral("Recipient's details"), this);
  auto* theirForm = new QFormLayout(theirs);
  theirForm->addRow(QStringLiteral("N&ame:"), eName_);
  theirForm->addRow(QStringLiteral("E-&mail:"), eMail_);

  bSend_ = new QPushButton(QStringLiteral("&Send"), this);
  bSend_->setObjectName(QStringLiteral("bSend"));
  bSend_->setDefault(true);
  bCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
  bCancel_->setObjectName(QStringLiteral("bCancel"));
  connect(bSend_, &QPushButton::clicked, this, &EmailNoticeDialog::OnSendClicked);
  connect(bCancel_, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(bSend_);
  buttons->addWidget(bCancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(yours);
  layout->addWidget(theirs);
  layout->addLayout(buttons);
  setMinimumWidth(LayoutScale::ForApplication().X(300));

  for (QLineEdit* e : {yName_, yMail_, eName_, eMail_})
    connect(e, &QLineEdit::textChanged, this, &EmailNoticeDialog::OnNameChanged);
  FillFromSettings();
}

EmailNoticeDialog::~EmailNoticeDialog() = default;

void EmailNoticeDialog::FillFromSettings() {
  try {
    if (OpenProfileKey(setup_.store, setup_.profileName, false)) {
      yName_->setText(FromLatin1(setup_.store->ReadString(settings::kFromName.name)));
      yMail_->setText(FromLatin1(setup_.store->ReadString(settings::kFromMail.name)));
    }
  } catch (const std::exception&) {
    // Nothing remembered: the fields start empty.
  }
  OnNameChanged();
}

void EmailNoticeDialog::OnNameChanged() {
  const EmailParties parties{ToLatin1(yName_->text()), ToLatin1(yMail_->text()), ToLatin1(eName_->text()),
                             ToLatin1(eMail_->text())};
  bSend_->setEnabled(EmailSendable(parties) && !(worker_ && !worker_->Done()));
}

void EmailNoticeDialog::Remember(const char* name, const std::string& value) {
  try {
    if (OpenProfileKey(setup_.store, setup_.profileName, true)) setup_.store->WriteString(name, value);
  } catch (const std::exception&) {
    // Not remembering the sender does not stop the notice.
  }
}

void EmailNoticeDialog::OnSendClicked() {
  const EmailParties parties{ToLatin1(yName_->text()), ToLatin1(yMail_->text()), ToLatin1(eName_->text()),
                             ToLatin1(eMail_->text())};
  if (!EmailSendable(parties)) return;
  bSend_->setEnabled(false);
  // The sender's details are kept before the answer arrives, so that they are offered again
  // even when this notice fails.
  Remember(settings::kFromName.name, parties.fromName);
  Remember(settings::kFromMail.name, parties.fromMail);
  worker_ = MakeRequestWorker(setup_.host);
  const bool started = setup_.host && worker_->Start(
                                          setup_.vendorBase + kEmailServicePath, AccountRecord{},
                                          EmailFormText(notice_, parties), this,
                                          [this](RequestWorker& worker) { MailSent(worker); }, true);
  if (!started) {
    worker_.reset();
    OnNameChanged();
    BoxesOrSystem(setup_.boxes).Error(this, QStringLiteral("Error while sending message!"));
  }
}

void EmailNoticeDialog::MailSent(RequestWorker& worker) {
  const bool succeeded = worker.Succeeded();
  bSend_->setEnabled(true);
  // The service's answer is not read: any completed exchange counts as sent.
  if (succeeded) {
    BoxesOrSystem(setup_.boxes)
        .Show(this, MessageIcon::Information, QStringLiteral("Notification e-mail was succesfully sent!"));
    close();
  } else {
    BoxesOrSystem(setup_.boxes).Error(this, QStringLiteral("Error while sending message!"));
  }
}

}  // namespace nummora
