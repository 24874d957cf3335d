#include "app/main_window_host.h"

#include <QTimer>
#include <limits>

#include "app/main_window.h"
#include "net/balance_worker.h"
#include "net/worker_texts.h"
#include "ui/events_window.h"

namespace nummora {

MainWindowHost::MainWindowHost(MainWindow& window, ServerConfig servers, const Clock* clock)
    : QObject(&window),
      WorkerHost(prompt_),
      window_(window),
      servers_(std::move(servers)),
      clock_(clock),
      prompt_(&window) {
  setObjectName(QStringLiteral("workerHost"));
  rates_ = new MetalRates(this, servers_.EgoldPlain, this);
}

MainWindowHost::~MainWindowHost() = default;

const ProfileModel& MainWindowHost::Model() const {
  return window_.Model();
}

FormatSettings MainWindowHost::NumberFormat() const {
  return window_.NumberFormat();
}

// The number format is the regional one with fixed separators; its time formats are the user's.
FormatSettings MainWindowHost::Regional() const {
  return window_.NumberFormat();
}

TDateTime MainWindowHost::Now() const {
  return clock_ ? clock_->Now() : CurrentClock().Now();
}

HttpOptions MainWindowHost::TransportOptions() const {
  HttpOptions options;
  options.CAFile = servers_.CAFile;
  return options;
}

MetalAmounts MainWindowHost::CurrentRates() const {
  // Prices in another currency than the display currency are no rates for a value in it: they
  // are handed on as not numbers, which no value can be computed from.
  if (const std::optional<MetalAmounts> rates = rates_->RatesInDisplayCurrency()) return *rates;
  MetalAmounts unknown;
  unknown.fill(std::numeric_limits<double>::quiet_NaN());
  return unknown;
}

void MainWindowHost::Notify(NotifyKind kind, const std::string& title, bool asDialog,
                            const std::string& text) {
  window_.Notify(kind, title, asDialog, text);
}

void MainWindowHost::AddEvent(const std::string& header, const std::string& body) {
  window_.Events()->AddEntry(header, body);
}

void MainWindowHost::AddEventLine(const std::string& line) {
  window_.Events()->AddLine(line);
}

void MainWindowHost::KeepPassPhrase(int position, const std::string& passPhrase) {
  window_.KeepPassPhrase(position, passPhrase);
}

void MainWindowHost::StoreBalances(int position, const AccountBalances& balances) {
  window_.StoreBalances(position, balances);
}

void MainWindowHost::StoreStatus(int position, uint8_t status, std::optional<TDateTime> updated) {
  window_.StoreStatus(position, status, updated);
}

void MainWindowHost::EndRefresh(int position) {
  window_.EndRefresh(position);
}

void MainWindowHost::FetchRecentPayments(int position) {
  if (fetchRecentPayments) fetchRecentPayments(position);
}

void MainWindowHost::StoreRates(const std::string& answer, TDateTime received) {
  window_.StoreRates(answer, received);
}

void MainWindowHost::RatesChanged() {
  window_.ShowRates(rates_->State());
}

QWidget* MainWindowHost::DialogParent() {
  return &window_;
}

void MainWindowHost::OpenPaymentDialog(const PaymentLinkFields& fields) {
  if (openPaymentDialog_) openPaymentDialog_(fields);
}

std::optional<Currency> MainWindowHost::EgoldValue(const AccountRecord& account) {
  return rates_->ValueOf(account);
}

void MainWindowHost::OpenHistory(const AccountRecord& account) {
  window_.OpenHistoryDownload(account, this, servers_);
}

void MainWindowHost::RatesRequested() {
  rates_->AskForRates();
  // The profile load asks first and then has the stored answer shown: those prices show at
  // once, without arrows, and are what the fresh answer is compared with.
  if (!storedRatesRead_) {
    storedRatesRead_ = true;
    rates_->ReadRates();
  }
}

void MainWindowHost::StartRefresh(int position) {
  if (!window_.Model().IsValidPosition(position)) return;
  pending_.push_back(position);
  StartPending();
}

void MainWindowHost::StartPending() {
  // A pass-phrase prompt inside a start runs an event loop in which more refreshes may be asked
  // for; they wait in the list, and the pass that was interrupted goes on once the prompt closes.
  if (starting_) return;
  starting_ = true;
  while (startsThisTurn_ < kStartsPerTurn && !pending_.empty()) {
    const int position = pending_.front();
    pending_.pop_front();
    const ProfileModel& model = window_.Model();
    if (!model.IsValidPosition(position)) continue;
    if (!model.IsLive(position)) {
      // Deleted while it waited: only live accounts are refreshed. Its mark goes.
      window_.EndRefresh(position);
      continue;
    }
    ++startsThisTurn_;
    // A worker that ends at once (prompt cancelled) has already cleared its mark.
    StartBalanceRefresh(this, position, BalanceServerBase(servers_, model.Account(position).Type));
  }
  starting_ = false;
  // The next turn of the event loop opens a new allowance and starts what still waits.
  if ((startsThisTurn_ > 0 || !pending_.empty()) && !turnScheduled_) {
    turnScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
      turnScheduled_ = false;
      startsThisTurn_ = 0;
      StartPending();
    });
  }
}

MainWindowHost* InstallNetworkWorkers(MainWindow& window, const Clock* clock) {
  ServerConfig servers = LoadServerConfig();
  for (const std::string& problem : servers.Problems) window.Events()->AddLine(problem);
  auto* host = new MainWindowHost(window, std::move(servers), clock);
  QObject::connect(&window, &MainWindow::BalanceRequested, host, &MainWindowHost::StartRefresh);
  window.SetWorkerHost(host);
  host->fetchRecentPayments = [&window](int position) { window.FetchRecentPayments(position); };
  host->SetPaymentDialogs(InstallPaymentDialogs(window, *host));
  window.AttachServices(*host);
  return host;
}

}  // namespace nummora
