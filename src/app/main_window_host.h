#pragma once
// Connects the network workers to the main window: a WorkerHost whose reports the window
// applies to its model and shows, the window's services (the metal rates, payment dialogs and
// history downloads), and the balance refresh workers behind the window's BalanceRequested
// signal. Created as a child of the window, so it goes with it.
#include <QObject>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "app/window_services.h"
#include "common/datetime.h"
#include "market/metal_rates.h"
#include "net/server_config.h"
#include "net/worker_host.h"
#include "ui/ask_passphrase_dialog.h"

namespace nummora {

class MainWindow;

class MainWindowHost : public QObject, public WorkerHost, public WindowServices {
  Q_OBJECT
 public:
  // `clock`: where the current time comes from (nullptr: the clock in use). `servers`: the
  // configured server addresses.
  MainWindowHost(MainWindow& window, ServerConfig servers, const Clock* clock = nullptr);
  ~MainWindowHost() override;

  // Called when an e-gold balance changed (the last operations fetch the payments received).
  std::function<void(int position)> fetchRecentPayments;

  MetalRates& Rates() { return *rates_; }
  const ServerConfig& Servers() const { return servers_; }
  // The window asks for new rates (profile load, timer, new e-gold account). The first request
  // comes from the profile load, which has just put the stored answer into RatesText: it is
  // read after the request has been started.
  void RatesRequested();
  // Starts the balance worker for a table entry whose Refreshing mark is set. Every refresh
  // asked for runs side by side with the others, but at most kStartsPerTurn workers are started
  // in one go: the rest start on the next turns of the event loop, a few milliseconds later, so
  // that "Update all balances" with a hundred accounts never holds the main thread for long.
  // The entry stays marked while it waits, so it is not asked for twice.
  void StartRefresh(int position);
  static constexpr int kStartsPerTurn = 8;
  // Refreshes asked for and not yet started.
  std::size_t PendingRefreshes() const { return pending_.size(); }

  // WorkerHost: the reports go to the window, which applies and shows them.
  QObject* LifetimeObject() override { return this; }
  const ProfileModel& Model() const override;
  FormatSettings NumberFormat() const override;
  FormatSettings Regional() const override;
  TDateTime Now() const override;
  HttpOptions TransportOptions() const override;
  MetalAmounts CurrentRates() const override;
  void Notify(NotifyKind kind, const std::string& title, bool asDialog, const std::string& text) override;
  void AddEvent(const std::string& header, const std::string& body) override;
  void AddEventLine(const std::string& line) override;
  void KeepPassPhrase(int position, const std::string& passPhrase) override;
  void StoreBalances(int position, const AccountBalances& balances) override;
  void StoreStatus(int position, uint8_t status, std::optional<TDateTime> updated) override;
  void EndRefresh(int position) override;
  void FetchRecentPayments(int position) override;
  void StoreRates(const std::string& answer, TDateTime received) override;
  void RatesChanged() override;
  QWidget* DialogParent() override;

  // WindowServices.
  void OpenPaymentDialog(const PaymentLinkFields& fields) override;
  std::optional<Currency> EgoldValue(const AccountRecord& account) override;
  void OpenHistory(const AccountRecord& account) override;
  void RequestRates() override { RatesRequested(); }
  // Where OpenPaymentDialog opens its dialogs.
  void SetPaymentDialogs(std::function<void(const PaymentLinkFields&)> open) {
    openPaymentDialog_ = std::move(open);
  }

 private:
  MainWindow& window_;
  ServerConfig servers_;
  const Clock* clock_;
  MetalRates* rates_;
  bool storedRatesRead_ = false;
  // The workers' pass-phrase prompt, centred on the window.
  DialogPassphrasePrompt prompt_;
  std::function<void(const PaymentLinkFields&)> openPaymentDialog_;

  void StartPending();
  std::deque<int> pending_;
  bool starting_ = false;       // StartPending is under way (a pass-phrase prompt may run an event loop)
  bool turnScheduled_ = false;  // a later turn of StartPending is posted
  int startsThisTurn_ = 0;      // workers started since the last turn began
};

// Creates the host for the window (owned by it) and attaches it as the window's services:
// balance refreshes on BalanceRequested, the account value, the rates requests, the payment
// dialogs and the history downloads. The stored rates are read right after the first rates
// request, which the profile load makes.
MainWindowHost* InstallNetworkWorkers(MainWindow& window, const Clock* clock = nullptr);

// Makes what opens payment dialogs for the window ("&Spend...", a double-click, the spend
// hotkey, payment links), working through `workers` (main_window_payments.cpp).
std::function<void(const PaymentLinkFields&)> InstallPaymentDialogs(MainWindow& window,
                                                                    MainWindowHost& workers);

}  // namespace nummora
