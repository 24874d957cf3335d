#pragma once
// Fetches the payments an e-gold account received since its last known transaction and adds
// them to the last-operations page. Several fetches may run at once, for the same or other
// accounts; each completion reads its own worker's reply.
#include <QObject>
#include <list>
#include <string>

#include "net/request_worker.h"

namespace nummora {

class OperationsPage;
class WorkerHost;

class RecentPaymentsFetch : public QObject {
  Q_OBJECT
 public:
  RecentPaymentsFetch(WorkerHost* host, OperationsPage* page, QObject* parent = nullptr);
  ~RecentPaymentsFetch() override;

  // Starts a fetch for the account table entry at `position` from the e-gold server at
  // `egoldSecureBase`. Asks for a pass phrase that is not stored; nothing is fetched when the
  // prompt is cancelled. Returns whether a request went out.
  bool Fetch(int position, const std::string& egoldSecureBase);
  // Fetches under way.
  std::size_t Running() const { return workers_.size(); }

 private:
  void Completed(RequestWorker& worker, int position);

  WorkerHost* host_;
  OperationsPage* page_;
  std::list<RequestWorkerPtr> workers_;
};

}  // namespace nummora
