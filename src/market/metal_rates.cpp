#include "market/metal_rates.h"

namespace nummora {

MetalRates::MetalRates(WorkerHost* host, std::string egoldPlainBase, QObject* parent)
    : QObject(parent), host_(host), egoldPlainBase_(std::move(egoldPlainBase)) {}

MetalRates::~MetalRates() = default;

bool MetalRates::AskForRates() {
  WorkerHost* host = host_.get();
  if (!host) return false;
  const ProfileModel& model = host->Model();
  if (!HasEgoldAccount(model.Accounts())) return false;
  // A request still on the wire is waited for, however slow: a new one would drop its answer.
  if (Asking()) return false;
  worker_ = MakeRequestWorker(host);
  askedCurrency_ = model.DisplayCurrency;
  return worker_->Start(
      RatesUrl(egoldPlainBase_, askedCurrency_), AccountRecord{}, std::string(), this,
      [this](RequestWorker& worker) { Completed(worker); }, true);
}

bool MetalRates::Asking() const {
  return worker_ && worker_->Started() && !worker_->Done();
}

void MetalRates::Completed(RequestWorker& worker) {
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

void MetalRates::ReadRates() {
  WorkerHost* host = host_.get();
  if (!host) return;
  state_ = nummora::ReadRates(host->Model().RatesText, state_, host->NumberFormat(), nullptr,
                              host->Model().DisplayCurrency);
  emit RatesRead();
  host->RatesChanged();
}

}  // namespace nummora

namespace nummora {

std::optional<MetalAmounts> MetalRates::RatesInDisplayCurrency() const {
  WorkerHost* host = host_.get();
  return RatesIn(state_, host ? host->Model().DisplayCurrency : state_.currency);
}

std::optional<Currency> MetalRates::ValueOf(const AccountRecord& account) const {
  const std::optional<MetalAmounts> rates = RatesInDisplayCurrency();
  if (!rates) return std::nullopt;
  return AccountValue(account, *rates);
}

}  // namespace nummora
