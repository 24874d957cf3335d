// The account commands of the main window (New, Account Info, Delete, moving, copying,
// Update all) and the ways a payment form is asked for: Spend, links, hotkeys and the messages
// of a second instance.
#include <QApplication>
#include <QClipboard>
#include <QTabWidget>
#include <QUrl>

#include "accounts/account_editor_dialog.h"
#include "app/account_rows.h"
#include "app/accounts_page.h"
#include "app/instance_messages.h"
#include "app/main_window.h"
#include "app/refresh_scheduler.h"
#include "app/scheme_registration.h"
#include "app/window_services.h"
#include "common/secure_memory.h"
#include "net/vendor_urls.h"
#include "platform/settings_store.h"
#include "ui/events_window.h"
#include "ui/latin1.h"
#include "ui/message_box.h"

namespace nummora {

void MainWindow::OnMove(bool up) {
  if (pages_->currentWidget() != accountsPage_) return;
  const int row = model_.SelectedRow();
  const int target = up ? model_.MoveRowUp(row) : model_.MoveRowDown(row);
  if (target < 0) return;
  accountsPage_->ShowRow(row);
  accountsPage_->ShowRow(target);
  accountsPage_->SelectRow(target);
}

void MainWindow::OnCopyNumber() {
  const int position = AccountOfRow(-1);
  if (position < 0) return;
  QGuiApplication::clipboard()->setText(FromLatin1(model_.Account(position).ID));
}

void MainWindow::OnNewAccount() {
  if (!model_.CanCreateAccount()) return;
  AccountEditorDialog editor(
      true, [this](const std::string& id) { return AccountExists(id); }, boxes_, this);
  editor.egoldSecureBase = EgoldSecureBaseUrl();
  editor.vendorBase = VendorBaseUrl();
  editor.egoldSignupId = DirectoryReferral();
  editor.openUrl = [this](const QUrl& url) { OpenWebAddress(url); };
  if (session_.Settings().onTop) editor.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  if (editor.exec() != QDialog::Accepted) return;
  pages_->setCurrentWidget(accountsPage_);
  AccountRecord account;
  account.Type = editor.SelectedType();
  editor.ApplyTo(account);
  account.Updated = Now();
  account.BatchDate = account.Updated;
  account.Refreshing = false;
  const int position = model_.AppendAccount(account);
  if (position < 0) return;
  SecureWipe(account.Password);
  if (account.Type == AccountType::Egold) RequestRates();
  accountsPage_->AppendRow();
  refresh_->Request(position);
  accountsPage_->ShowRow(model_.RowOfAccount(position));
}

void MainWindow::OnAccountInfo() {
  const int position = AccountOfRow(-1);
  if (position < 0) return;
  AccountEditorDialog editor(
      false, [this](const std::string& id) { return AccountExists(id); }, boxes_, this);
  editor.egoldSecureBase = EgoldSecureBaseUrl();
  editor.vendorBase = VendorBaseUrl();
  editor.egoldSignupId = DirectoryReferral();
  editor.openUrl = [this](const QUrl& url) { OpenWebAddress(url); };
  if (session_.Settings().onTop) editor.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  editor.Fill(model_.Account(position));
  if (editor.exec() != QDialog::Accepted) return;
  ChangeAccount(
      position, [&editor](AccountRecord& entry) { editor.ApplyTo(entry); }, true);
}

void MainWindow::OnDeleteAccount() {
  const int row = model_.SelectedRow();
  const int position = AccountOfRow(-1);
  if (position < 0) return;
  const QString caption = accountsPage_->Caption(row);
  if (!Boxes().Ask(this, QStringLiteral("Do you want to delete account ") + caption + QStringLiteral("?")))
    return;
  // The selection goes first, current item included: removing the current row of a
  // single-selection list would otherwise select its neighbour for a moment, and that neighbour
  // would be shown in status panel 0 and the details pane. Losing the selection shows nothing.
  accountsPage_->ClearSelection();
  model_.DeleteAccount(position);
  accountsPage_->RemoveRow(row);
}

void MainWindow::OpenPaymentLink(const std::string& link) {
  const PaymentLinkFields fields = ParsePaymentLink(link);
  emit PaymentLinkOpened(fields);
  if (services_) {
    services_->OpenPaymentDialog(fields);
  } else {
    LogLine(fields.hasParts ? "Payment link opened for " + fields.payto : std::string("Payment form opened"));
  }
}

void MainWindow::HotkeyPressed(int shortcutValue) {
  QApplication::setActiveWindow(this);
  raise();
  activateWindow();
  if (shortcutValue == session_.Settings().hotkeyBalance) refresh_->UpdateAll();
  if (shortcutValue == session_.Settings().hotkeySpend && model_.AccountCount() > 0)
    OpenPaymentLink(std::string());
}

}  // namespace nummora
