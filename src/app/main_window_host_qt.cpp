#include "app/main_window_host_qt.h"

#include "app/main_window.h"
#include "net/balance_worker.h"
#include "net/worker_texts.h"
#include "ui/events_window.h"

namespace nummora {

TMainWindowHost::TMainWindowHost(TNummora& window, ServerConfig servers, const Clock* clock)
    : QObject(&window), window_(window), servers_(std::move(servers)), clock_(clock) {
  setObjectName(QStringLiteral("workerHost"));
  rates_ = new TMetalRates(this, servers_.EgoldPlain, this);
}

TMainWindowHost::~TMainWindowHost() = default;

ProfileModel& TMainWindowHost::Model() { return window_.Model(); }

FormatSettings TMainWindowHost::NumberFormat() const { return window_.NumberFormat(); }

// The number format is the regional one with fixed separators; its time formats are the user's.
FormatSettings TMainWindowHost::Regional() const { return window_.NumberFormat(); }

TDateTime TMainWindowHost::Now() const { return clock_ ? clock_->Now() : CurrentClock().Now(); }

HttpOptions TMainWindowHost::TransportOptions() const {
  HttpOptions options;
  options.CAFile = servers_.CAFile;
  return options;
}

MetalAmounts TMainWindowHost::CurrentRates() const { return rates_->Rates(); }

void TMainWindowHost::Notify(int kind, const std::string& title, bool asDialog, const std::string& text) {
  window_.Notify(kind, title, asDialog, text);
}

void TMainWindowHost::AddEvent(const std::string& header, const std::string& body) {
  window_.Events()->AddEntry(header, body);
}

void TMainWindowHost::AddEventLine(const std::string& line) { window_.Events()->AddLine(line); }

void TMainWindowHost::ShowAccount(int position) {
  const int row = window_.RowOfAccount(position);
  if (row >= 0) window_.ShowAccountRow(row);
}

void TMainWindowHost::RefreshEnded(int position) { window_.BalanceFinished(position); }

void TMainWindowHost::FetchRecentPayments(int position) {
  if (fetchRecentPayments) fetchRecentPayments(position);
}

void TMainWindowHost::RatesChanged() {
  window_.ShowRates(rates_->State());
  // Rewriting the rows also shows the selected account in the details pane at the new rates.
  for (int row = 0; row < window_.Model().RowCount(); ++row) window_.ShowAccountRow(row);
}

QWidget* TMainWindowHost::DialogParent() { return &window_; }

void TMainWindowHost::RatesRequested() {
  rates_->AskForRates();
  // The profile load asks first and then has the stored answer shown: those prices show at
  // once, without arrows, and are what the fresh answer is compared with.
  if (!storedRatesRead_) {
    storedRatesRead_ = true;
    rates_->ReadRates();
  }
}

void TMainWindowHost::StartRefresh(int position) {
  if (!window_.Model().IsValidPosition(position)) return;
  queued_.push_back(position);
  StartQueued();
}

void TMainWindowHost::StartQueued() {
  // A pass-phrase prompt inside Start runs an event loop in which other refreshes may end; the
  // loop below picks up the slots they free once the prompt is closed.
  if (starting_) return;
  starting_ = true;
  while (running_ < maxRunning_ && !queued_.empty()) {
    const int position = queued_.front();
    queued_.pop_front();
    ProfileModel& model = window_.Model();
    if (!model.IsValidPosition(position)) continue;
    if (window_.RowOfAccount(position) < 0) {
      // Deleted while it waited: only live accounts are refreshed. Its mark goes.
      window_.BalanceFinished(position);
      continue;
    }
    TthBalance* worker =
        StartBalanceRefresh(this, position, BalanceServerBase(servers_, model.Account(position).Type));
    if (!worker) continue;  // ended at once (prompt cancelled); its mark is already cleared
    ++running_;
    connect(worker, &TthBalance::Ended, this, [this] {
      --running_;
      StartQueued();
    });
  }
  starting_ = false;
}

TMainWindowHost* InstallNetworkWorkers(TNummora& window, const Clock* clock) {
  ServerConfig servers = LoadServerConfig();
  for (const std::string& problem : servers.Problems) window.Events()->AddLine(problem);
  auto* host = new TMainWindowHost(window, std::move(servers), clock);
  QObject::connect(&window, &TNummora::BalanceRequested, host, &TMainWindowHost::StartRefresh);
  window.egoldValue = [host](const TAccount& account) { return host->Rates().ValueOf(account); };
  window.requestRates = [host] { host->RatesRequested(); };
  return host;
}

}  // namespace nummora
