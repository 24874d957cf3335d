// The last operations of the main window: the "Last operations" page, its details and e-mail
// commands, the fetch of recent e-gold payments after a balance change, and the services the
// payment dialogs use (recipient picker, add contact, e-mail notice, payment records).
#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/main_window.h"
#include "contacts/recipient_dialog.h"
#include "net/vendor_urls.h"
#include "operations/details_dialog.h"
#include "operations/email_dialog.h"
#include "operations/operations_page.h"
#include "operations/recent_payments_fetch.h"

namespace nummora {

void MainWindow::BuildOperationsPage() {
  auto* tab = pages_->findChild<QWidget*>(QStringLiteral("tsOperations"));
  operationsPage_ = new OperationsPage(tab);
  auto* layout = new QVBoxLayout(tab);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(operationsPage_);
  connect(operationsPage_->ViewDetails(), &QAction::triggered, this, &MainWindow::OnViewDetails);
  connect(operationsPage_, &OperationsPage::RowActivated, this, &MainWindow::OnViewDetails);
  connect(operationsPage_->EmailDetails(), &QAction::triggered, this, &MainWindow::OnEmailDetails);
  InstallPaymentServices();
}

void MainWindow::InstallPaymentServices() {
  PaymentServices& s = paymentServices_;
  s.pickRecipient = [this](QWidget* owner, AccountType type) -> std::optional<std::string> {
    RecipientDialog picker(model_.Contacts(), type, owner ? owner : this);
    if (session_.Settings().onTop) picker.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    picker.exec();
    if (!picker.Accepted()) return std::nullopt;
    return picker.Pick();
  };
  s.addContact = [this](QWidget* owner, const std::string& name, AccountType type,
                        const std::string& number) {
    ContactRecord contact;
    contact.Name = name;
    (type == AccountType::LibertyReserve ? contact.LRID : contact.EgoldID) = number;
    OfferContact(owner ? owner : this, contact);
  };
  s.emailNotice = [this](QWidget* owner, const PaymentNotice& notice, bool modal) {
    OpenEmailNotice(owner ? owner : this, notice, modal);
  };
  s.recordPayment = [this](const PaymentRecord& record) { RecordPayment(record); };
}

void MainWindow::SetWorkerHost(WorkerHost* host) {
  workerHost_ = host;
  delete recentPayments_;
  recentPayments_ = new RecentPaymentsFetch(host, operationsPage_, this);
}

void MainWindow::RecordPayment(const PaymentRecord& record) {
  operationsPage_->AddRow(PaymentRecordRow(record, Now()));
}

void MainWindow::FetchRecentPayments(int position) {
  if (recentPayments_) recentPayments_->Fetch(position, EgoldSecureBaseUrl());
}

void MainWindow::OnViewDetails() {
  const std::optional<OperationRow> row = operationsPage_->SelectedRow();
  if (!row) return;
  DetailsFields f;
  f.made = row->kind == OperationKind::Spent;
  f.batch = row->caption;
  f.date = row->Cell(1);
  f.account = row->Cell(2);
  f.amount = row->Cell(3);
  f.memo = row->Cell(4);
  f.merchant = row->Cell(5);
  PaymentDetailsDialog details(f, operationsPage_->EmailDetails(), this);
  if (session_.Settings().onTop) details.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  details.exec();
}

void MainWindow::OnEmailDetails() {
  const std::optional<OperationRow> row = operationsPage_->SelectedRow();
  if (!row || row->kind != OperationKind::Spent) return;
  // The notice does not wait. From the (modal) details dialog it opens as that dialog's own
  // window, the only kind a modal dialog lets the user reach, and moves to the main window
  // when the details close, so that what was typed into it stays.
  QWidget* modal = QApplication::activeModalWidget();
  EmailNoticeDialog* notice = OpenEmailNotice(modal ? modal : this, NoticeOfRow(*row), false);
  if (auto* details = qobject_cast<QDialog*>(modal)) {
    connect(details, &QDialog::finished, notice, [this, notice] {
      const QPoint at = notice->pos();
      notice->setParent(this, notice->windowFlags());
      notice->move(at);
      notice->show();
    });
  }
}

EmailNoticeDialog* MainWindow::OpenEmailNotice(QWidget* owner, const PaymentNotice& notice, bool modal) {
  EmailSetup setup;
  setup.host = workerHost_;
  setup.store = store_;
  setup.profileName = profileName_;
  setup.vendorBase = VendorBaseUrl();
  setup.boxes = boxes_;
  auto* dialog = new EmailNoticeDialog(notice, setup, owner);
  if (session_.Settings().onTop) dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
  if (modal) {
    dialog->exec();  // it deletes itself when it closes
    return nullptr;
  }
  dialog->show();
  return dialog;
}

}  // namespace nummora
