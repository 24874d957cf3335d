#pragma once
// EmailNoticeDialog: sends a notice of a payment to the payee through the vendor web service, which
// mails it. The sender's name and address are remembered in the profile's settings as
// "FromName" and "FromMail". The dialog deletes itself when it is closed.
#include <QDialog>
#include <string>

#include "net/request_worker.h"
#include "operations/email_notice.h"

class QLineEdit;
class QPushButton;

namespace nummora {

class MessageBoxes;
class SettingsStore;
class WorkerHost;

// Where the dialog sends and keeps things.
struct EmailSetup {
  WorkerHost* host = nullptr;      // the workers' host; without one nothing can be sent
  SettingsStore* store = nullptr;  // the settings store; without one nothing is remembered
  std::string profileName;         // whose settings key holds "FromName" and "FromMail"
  std::string vendorBase;          // the vendor web service's plain-HTTP base address
  MessageBoxes* boxes = nullptr;   // nullptr: real message boxes
};

class EmailNoticeDialog : public QDialog {
  Q_OBJECT
 public:
  EmailNoticeDialog(const PaymentNotice& notice, EmailSetup setup, QWidget* parent = nullptr);
  ~EmailNoticeDialog() override;

  const PaymentNotice& Notice() const { return notice_; }

 private:
  void FillFromSettings();
  void OnNameChanged();
  void OnSendClicked();
  void MailSent(RequestWorker& worker);
  void Remember(const char* name, const std::string& value);

  PaymentNotice notice_;
  EmailSetup setup_;
  QLineEdit* yName_;
  QLineEdit* yMail_;
  QLineEdit* eName_;
  QLineEdit* eMail_;
  QPushButton* bSend_;
  QPushButton* bCancel_;
  RequestWorkerPtr worker_;
};

}  // namespace nummora
