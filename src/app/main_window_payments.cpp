// The main window's side of the payment dialogs: the host they work through (the model, the
// workers' host, the server addresses, the profile key's histories, the balance changes and
// refreshes) and the opening of a dialog for "&Spend...", a double-click, a hotkey or a link.
#include <QList>
#include <QObject>
#include <QPointer>

#include "app/main_window.h"
#include "app/main_window_host.h"
#include "app/refresh_scheduler.h"
#include "payments/payment_dialog.h"
#include "payments/spend_host.h"
#include "platform/settings_store.h"
#include "profile/profile_settings.h"
#include "ui/message_box.h"

namespace nummora {

class WindowPaymentHost : public QObject, public PaymentHost {
 public:
  WindowPaymentHost(MainWindow& window, MainWindowHost& workers)
      : QObject(&workers), window_(window), workers_(workers) {
    setObjectName(QStringLiteral("spendHost"));
  }
  // The dialogs it serves go first: they refer to it to the end.
  ~WindowPaymentHost() override {
    for (const QPointer<PaymentDialog>& dialog : dialogs_) delete dialog.data();
  }

  void Open(const PaymentLinkFields& fields) {
    dialogs_.removeAll(nullptr);
    dialogs_.append(OpenSpendDialog(*this, &window_, fields));
  }

  WorkerHost& Workers() override { return workers_; }
  QObject* RequestOwner() override { return this; }
  int SelectedAccount() const override { return window_.AccountOfRow(-1); }
  bool StayOnTop() const override { return window_.session_.Settings().onTop; }
  std::string EgoldSecureBase() const override { return workers_.Servers().EgoldSecure; }
  std::string LibertyReserveBase() const override { return workers_.Servers().LibertyReserve; }

  std::string ReadHistory(const std::string& name) override {
    SettingsStore& store = Store();
    if (!store.OpenKey(ProfileKeyPath(window_.profileName_), false) || !store.ValueExists(name)) return {};
    return store.ReadString(name);
  }

  bool WriteHistory(const std::string& name, const std::string& text) override {
    try {
      SettingsStore& store = Store();
      if (!store.OpenKey(ProfileKeyPath(window_.profileName_), true)) return false;
      store.WriteString(name, text);
      return true;
    } catch (const std::exception& e) {
      window_.LogError(e.what());
      return false;
    }
  }

  void ChangeAccount(int position, const std::function<void(AccountRecord&)>& change) override {
    window_.ChangeAccount(position, change, true);
  }
  void RefreshBalance(int position) override {
    if (window_.model_.IsValidPosition(position) && window_.model_.IsLive(position))
      window_.refresh_->Request(position);
  }
  const PaymentServices& Services() const override { return window_.paymentServices_; }
  bool& Modified() override { return modified_; }
  MessageBoxes& Boxes() override { return window_.Boxes(); }

 private:
  SettingsStore& Store() {
    if (!window_.store_) throw std::runtime_error("No settings store");
    window_.store_->SetRootKey(RootKey::LocalMachine);
    return *window_.store_;
  }

  MainWindow& window_;
  MainWindowHost& workers_;
  bool modified_ = false;  // shared by every payment dialog of the run
  QList<QPointer<PaymentDialog>> dialogs_;
};

std::function<void(const PaymentLinkFields&)> InstallPaymentDialogs(MainWindow& window,
                                                                    MainWindowHost& workers) {
  auto* host = new WindowPaymentHost(window, workers);
  return [host](const PaymentLinkFields& fields) { host->Open(fields); };
}

}  // namespace nummora
