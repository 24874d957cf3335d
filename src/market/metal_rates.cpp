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
  askedCurrency_ = model.DisplayCurrency;
  return worker_->Start(
      RatesUrl(egoldPlainBase_, askedCurrency_), TAccount{}, std::string(), this,
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
  // Kept with the currency it was asked in, which the display currency may have left since.
  host->StoreRates(TaggedRatesText(askedCurrency_, worker.Response()), host->Now());
  host->AddEventLine(worker.Response());
  ReadRates();
  if (host_.get() && askedCurrency_ != host->Model().DisplayCurrency) AskForRates();
}

void TMetalRates::ReadRates() {
  WorkerHost* host = host_.get();
  if (!host) return;
  state_ = nummora::ReadRates(host->Model().RatesText, state_, host->NumberFormat(), nullptr,
                              host->Model().DisplayCurrency);
  emit RatesRead();
  host->RatesChanged();
}

}  // namespace nummora

namespace nummora {

std::optional<MetalAmounts> TMetalRates::RatesInDisplayCurrency() const {
  WorkerHost* host = host_.get();
  return RatesIn(state_, host ? host->Model().DisplayCurrency : state_.currency);
}

std::optional<Currency> TMetalRates::ValueOf(const TAccount& account) const {
  const std::optional<MetalAmounts> rates = RatesInDisplayCurrency();
  if (!rates) return std::nullopt;
  return AccountValue(account, *rates);
}

}  // namespace nummora
