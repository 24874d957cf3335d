#pragma once
// Balance refresh of one account on a worker thread: EgoldBalanceWorker reads the e-gold balance
// page, LrBalanceWorker asks the Liberty Reserve API for the dollar and euro balances. The worker
// works on copies of the account, the number format and the proxy taken when it is started;
// its reports (notice, events-list lines, the write into the account table, the end of the
// refresh) run on the main thread while it waits. Whatever happens, the entry's Refreshing mark
// is cleared when the refresh ends. A worker deletes itself when its run has ended.
#include <QThread>
#include <memory>
#include <string>

#include "net/balance_outcome.h"
#include "net/http_client.h"
#include "net/live_workers.h"
#include "net/worker_host.h"
#include "profile/model.h"

namespace nummora {

class BalanceWorker : public QThread {
  Q_OBJECT
 public:
  // Deletes only a worker that never ran or has ended; a running one deletes itself.
  ~BalanceWorker() override;

  // Main thread, after the caller has set the entry's Refreshing mark. Copies the entry and the
  // number format, asks for a missing pass phrase (an entered one is also stored in the entry)
  // and starts the thread. When the prompt is cancelled (or the position is not in the table)
  // the refresh ends at once, Refreshing cleared, and false is returned: the caller then
  // deletes the worker, which never ran.
  bool Start(const std::string& serverBase, int position);

 signals:
  // The run has ended and every report has been delivered (main thread).
  void Ended();

 protected:
  explicit BalanceWorker(WorkerHost* host);

  void run() override;
  // The exchange and reading of the answer, on the worker thread.
  virtual void Refresh() = 0;

  // Delivers an outcome on the main thread, in order: for an e-gold answer the first Finish
  // right after the exchange; the notice and, for an e-gold change, the fetch of the recent
  // payments; the logged lines; Store; the last Finish.
  void Deliver(const BalanceOutcome& outcome, bool egoldAnswered);

  HostRef host_;
  std::string serverBase_;
  int position_ = -1;  // the entry's place in the account table
  AccountRecord account_;
  FormatSettings numberFormat_;
  std::unique_ptr<HttpClient> client_;

 private:
  void OnFinished();
  LiveWorker counted_;  // counted from creation to deletion
};

class EgoldBalanceWorker : public BalanceWorker {
  Q_OBJECT
 public:
  explicit EgoldBalanceWorker(WorkerHost* host) : BalanceWorker(host) {}

 protected:
  void Refresh() override;
};

class LrBalanceWorker : public BalanceWorker {
  Q_OBJECT
 public:
  explicit LrBalanceWorker(WorkerHost* host) : BalanceWorker(host) {}

 protected:
  void Refresh() override;
};

// Starts the refresh of the table entry at `position` with the worker of its payment system
// (type 0 e-gold, any other Liberty Reserve). The caller has set its Refreshing mark. Returns
// the running worker (it deletes itself when done), or nullptr when the refresh ended at once.
BalanceWorker* StartBalanceRefresh(WorkerHost* host, int position, const std::string& serverBase);

}  // namespace nummora
