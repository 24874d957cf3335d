#include "net/balance_worker.h"

#include "common/secure_memory.h"
#include "net/egold.h"
#include "net/form_encoding.h"
#include "net/liberty_reserve.h"
#include "net/worker_texts.h"

namespace nummora {

namespace {

void Log(WorkerHost& host, const std::string& message) {
  host.AddEventLine(EventLine(host.Now(), host.Regional(), message));
}

// Finish: the refresh of the entry is over (for now); its mark is cleared and a line logged.
void Finish(WorkerHost& host, int position, const std::string& message) {
  host.EndRefresh(position);
  Log(host, message);
}

// Store: only the refresh's results go into the entry (the balances only when the answer held
// some); what the main thread changed meanwhile (a new name, a deletion, a payment) stays.
void Store(WorkerHost& host, int position, const BalanceOutcome& outcome) {
  if (outcome.storeBalances) host.StoreBalances(position, BalancesOf(outcome.account));
  host.StoreStatus(position, outcome.newStatus, host.Now());
}

}  // namespace

BalanceWorker::BalanceWorker(WorkerHost* host) : host_(host) {
  connect(this, &QThread::finished, this, &BalanceWorker::OnFinished, Qt::QueuedConnection);
}

BalanceWorker::~BalanceWorker() {
  wait();
  SecureWipe(account_.Password);
}

bool BalanceWorker::Start(const std::string& serverBase, int position) {
  WorkerHost* host = host_.get();
  if (!host) return false;
  const ProfileModel& model = host->Model();
  if (!model.IsValidPosition(position)) return false;

  serverBase_ = serverBase;
  position_ = position;
  account_ = model.Account(position);
  numberFormat_ = host->NumberFormat();

  if (AskAndKeepPassPhrase(*host, account_) == AskOutcome::Cancelled) {
    Finish(*host, position, std::string());
    return false;
  }

  client_ = std::make_unique<HttpClient>(host->TransportOptions());
  if (model.Proxy.UseProxy) client_->SetProxy(model.Proxy);
  start();
  return true;
}

void BalanceWorker::run() {
  try {
    Refresh();
  } catch (const std::exception& e) {
    // Nothing may escape the thread, and the refresh must end with its mark cleared.
    const std::string message = e.what();
    WithHost(host_, [&](WorkerHost& host) { Finish(host, position_, message); });
  }
}

void BalanceWorker::Deliver(const BalanceOutcome& outcome, bool egoldAnswered) {
  const int position = position_;
  WithHost(host_, [&](WorkerHost& host) {
    std::size_t next = 0;
    if (egoldAnswered && !outcome.events.empty()) Finish(host, position, outcome.events[next++]);
    if (outcome.notice) {
      host.Notify(outcome.notice->kind, outcome.notice->title, false, outcome.notice->message);
    }
    if (outcome.fetchRecentPayments) host.FetchRecentPayments(position);
    for (; next + 1 < outcome.events.size(); ++next) Log(host, outcome.events[next]);
    if (outcome.store) Store(host, position, outcome);
    Finish(host, position, next < outcome.events.size() ? outcome.events[next] : std::string());
  });
}

void BalanceWorker::OnFinished() {
  wait();
  emit Ended();
  deleteLater();
}

void EgoldBalanceWorker::Refresh() {
  WithHost(host_, [this](WorkerHost& host) { Log(host, EgoldRequestLogLine(serverBase_, account_)); });

  HttpResult result;
  {
    SecretString login(EgoldLoginLine(account_));
    SecretString body(FormBodyFromText(login.str()));
    result = client_->Post(serverBase_ + kEgoldBalancePath, body.str());
  }
  if (!result.Succeeded) {
    Deliver(EgoldTransportFailure(account_, result.Message), false);
    return;
  }

  // The value in the change notice is made with the main window's rates of this moment.
  MetalAmounts rates{};
  std::string displayCurrency;
  const bool hostAlive = WithHost(host_, [&](WorkerHost& host) {
    rates = host.CurrentRates();
    displayCurrency = host.Model().DisplayCurrency;
  });
  if (!hostAlive) return;
  Deliver(EgoldBalanceOutcome(account_, serverBase_, result.Body, rates, displayCurrency, numberFormat_),
          true);
}

void LrBalanceWorker::Refresh() {
  const std::string form = LRFormBody(LRBalanceRequest(account_));
  const HttpResult result = client_->Post(serverBase_ + kLRBalancePath, FormBodyFromText(form));
  if (!result.Succeeded) {
    Deliver(LRTransportFailure(account_, result.Message), false);
    return;
  }
  Deliver(LRBalanceOutcome(account_, result.Body, numberFormat_), false);
}

BalanceWorker* StartBalanceRefresh(WorkerHost* host, int position, const std::string& serverBase) {
  if (!host || !host->Model().IsValidPosition(position)) return nullptr;
  BalanceWorker* worker = nullptr;
  if (host->Model().Account(position).Type == AccountType::Egold)
    worker = new EgoldBalanceWorker(host);
  else
    worker = new LrBalanceWorker(host);
  if (!worker->Start(serverBase, position)) {
    delete worker;
    return nullptr;
  }
  return worker;
}

}  // namespace nummora
