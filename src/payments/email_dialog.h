#pragma once
// TfEmail: sends a notice of a payment to the payee through the vendor web service, which
// mails it. The sender's name and address are remembered in the profile's settings as
// "FromName" and "FromMail". The dialog deletes itself when it is closed.
#include <QDialog>
#include <string>

#include "net/sock_worker.h"
#include "payments/email_notice.h"

class QLineEdit;
class QPushButton;

namespace nummora {

class MessageBoxes;
class SettingsStore;
class WorkerHost;

// Where the dialog sends and keeps things.
struct TEmailSetup {
  WorkerHost* host = nullptr;      // the workers' host; without one nothing can be sent
  SettingsStore* store = nullptr;  // the settings store; without one nothing is remembered
  std::string profileName;         // whose settings key holds "FromName" and "FromMail"
  std::string vendorBase;          // the vendor web service's plain-HTTP base address
  MessageBoxes* boxes = nullptr;   // nullptr: real message boxes
};

class TfEmail : public QDialog {
  Q_OBJECT
 public:
  TfEmail(const PaymentNotice& notice, TEmailSetup setup, QWidget* parent = nullptr);
  ~TfEmail() override;

  const PaymentNotice& Notice() const { return notice_; }

 private:
  void FormCreate();
  void yNameChange();
  void bSendClick();
  void MailSent(TthSock& worker);
  void Remember(const char* name, const std::string& value);

  PaymentNotice notice_;
  TEmailSetup setup_;
  QLineEdit* yName_;
  QLineEdit* yMail_;
  QLineEdit* eName_;
  QLineEdit* eMail_;
  QPushButton* bSend_;
  QPushButton* bCancel_;
  TthSockPtr worker_;
};

}  // namespace nummora
