#include "operations/recent_payments_fetch.h"

#include <QTimer>

#include "common/secure_memory.h"
#include "net/egold.h"
#include "operations/operations_page.h"
#include "operations/recent_payments.h"

namespace nummora {

RecentPaymentsFetch::RecentPaymentsFetch(WorkerHost* host, OperationsPage* page, QObject* parent)
    : QObject(parent), host_(host), page_(page) {}

RecentPaymentsFetch::~RecentPaymentsFetch() = default;

bool RecentPaymentsFetch::Fetch(int position, const std::string& egoldSecureBase) {
  if (!host_ || !host_->Model().IsValidPosition(position)) return false;
  AccountRecord account = host_->Model().Account(position);
  if (account.Type != AccountType::Egold || account.ID.empty()) return false;
  // The login line holds the pass phrase, so it is asked for before the form is made; an
  // entered one is also kept in the table entry.
  if (AskAndKeepPassPhrase(*host_, account) == AskOutcome::Cancelled) {
    SecureWipe(account.Password);
    return false;
  }
  const std::string url =
      egoldSecureBase + kEgoldHistoryCsvPath + RecentPaymentsQuery(account.BatchDate, host_->Now());
  std::string form = EgoldLoginLine(account);
  workers_.push_back(MakeRequestWorker(host_));
  RequestWorker* worker = workers_.back().get();
  const bool started = worker->Start(
      url, account, form, this, [this, position](RequestWorker& w) { Completed(w, position); }, true);
  SecureWipe(form);
  SecureWipe(account.Password);
  if (!started) workers_.pop_back();
  return started;
}

void RecentPaymentsFetch::Completed(RequestWorker& worker, int position) {
  if (worker.Succeeded() && host_ && page_ && host_->Model().IsValidPosition(position)) {
    // The newest transaction the history knows now, which the history viewer may have moved
    // while this fetch ran.
    const int32_t known = host_->Model().Account(position).Batch;
    for (const OperationRow& row :
         ReadRecentPayments(worker.Response(), known, [this](int64_t n) { return page_->Lists(n); }))
      page_->AddRow(row);
  }
  // The worker is done with; it goes once its completion has returned.
  for (auto it = workers_.begin(); it != workers_.end(); ++it) {
    if (it->get() == &worker) {
      workers_.erase(it);
      break;
    }
  }
}

}  // namespace nummora
