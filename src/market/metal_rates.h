#pragma once
// The metal rates of the main window: asking the e-gold price page for the latest rates in the
// display currency (a RequestWorker request), keeping the answer in the profile tagged with the
// currency it was asked in (RatesText, RatesTime), and reading it into the four current rates
// and the "Rate" cells with their rise and fall pictures. The accounts list and the details pane
// show what State() holds; prices in a currency other than the display currency are never
// multiplied with balances (values are unknown until rates in the new currency arrive).
#include <QObject>
#include <optional>
#include <string>

#include "common/currency.h"
#include "market/rates.h"
#include "net/request_worker.h"
#include "net/worker_host.h"

namespace nummora {

class MetalRates : public QObject {
  Q_OBJECT
 public:
  // `egoldPlainBase` is the plain-HTTP address of the e-gold server ("http://host:port").
  MetalRates(WorkerHost* host, std::string egoldPlainBase, QObject* parent = nullptr);
  ~MetalRates() override;

  // Asks for new rates in the display currency when the account table holds an e-gold entry
  // (deleted ones count) and no request is running; returns whether a request was started. A
  // running request is left to finish, however long its answer takes, so that its answer is
  // used; when it was asked in another currency, the display currency is asked for after it.
  bool AskForRates();
  // Whether a rates request is on the wire.
  bool Asking() const;

  // Reads the model's RatesText into the rates and cells (an answer with fewer than five items
  // changes nothing; a text without a currency tag is taken as prices in the display currency),
  // then has every row and the details pane shown again.
  void ReadRates();

  const RatesState& State() const { return state_; }
  const MetalAmounts& Rates() const { return state_.rates; }
  // The rates values in the display currency are computed with; nothing while the known rates
  // are prices in another currency.
  std::optional<MetalAmounts> RatesInDisplayCurrency() const;
  // The value of an e-gold account at the current rates; nothing while they are prices in
  // another currency than the display currency.
  std::optional<Currency> ValueOf(const AccountRecord& account) const;
  // The latest rates request (nullptr before the first).
  RequestWorker* Worker() const { return worker_.get(); }

 signals:
  // The rates were read (from a fresh answer or from the profile).
  void RatesRead();

 private:
  void Completed(RequestWorker& worker);

  HostRef host_;
  std::string egoldPlainBase_;
  RatesState state_;
  RequestWorkerPtr worker_;
  std::string askedCurrency_;  // the currency of the latest request
};

}  // namespace nummora
