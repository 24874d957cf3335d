#include "market/metal_rates.h"

namespace nummora {

TMetalRates::TMetalRates(WorkerHost* host, std::string egoldPlainBase, QObject* parent)
    : QObject(parent), host_(host), egoldPlainBase_(std::move(egoldPlainBase)) {}

TMetalRates::~TMetalRates() = default;

bool TMetalRates::AskForRates() {
  WorkerHost* host = host_.get();
  if (!host) return false;
  const ProfileModel& model = host->Model();
  if (!HasEgoldAccount(model.Accounts())) return false;
  // A request still on the wire is waited for, however slow: a new one would drop its answer.
  if (Asking()) return false;
  worker_ = MakeSock(host);
  return worker_->Start(
      RatesUrl(egoldPlainBase_, model.DisplayCurrency), TAccount{}, std::string(), this,
      [this](TthSock& worker) { Completed(worker); }, true);
}

bool TMetalRates::Asking() const {
  return worker_ && worker_->Started() && !worker_->Done();
}

void TMetalRates::Completed(TthSock& worker) {
  // A failed request was reported by the worker; RatesTime stays, so the timer asks again.
  if (!worker.Succeeded()) return;
  WorkerHost* host = host_.get();
  if (!host) return;
  host->StoreRates(worker.Response(), host->Now());
  host->AddEventLine(worker.Response());
  ReadRates();
}

void TMetalRates::ReadRates() {
  WorkerHost* host = host_.get();
  if (!host) return;
  state_ = nummora::ReadRates(host->Model().RatesText, state_, host->NumberFormat());
  emit RatesRead();
  host->RatesChanged();
}

}  // namespace nummora
