#pragma once
// RequestWorker: one HTTP(S) request on a worker thread. Its owner creates it, starts it once with a
// URL, an account record (or none), the form text and a completion routine; the worker posts
// the form, writes its progress into the events list, reports a transport failure as
// "Connection problem!", derives the account's Status from the answer, and then the completion
// routine runs on the main thread, where the owner reads Succeeded() and Response().
//
// Lifetime: a worker is never deleted while it runs. Owners hold it in a RequestWorkerPtr; dropping
// that (or calling RequestWorker::Release) deletes a finished worker at once and lets a running one
// delete itself when its run is over, without calling its completion routine. The completion
// routine is also skipped when its owner object (the `owner` given to Start) was destroyed.
#include <QPointer>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/http_client.h"
#include "net/live_workers.h"
#include "net/worker_host.h"
#include "profile/model.h"

namespace nummora {

class RequestWorker : public QThread {
  Q_OBJECT
 public:
  using Completion = std::function<void(RequestWorker& worker)>;

  // A worker not yet started. `host` gives it the main thread's state; it is checked for
  // existence before every use.
  explicit RequestWorker(WorkerHost* host);

  // Deletes a worker that is not running; a running one deletes itself when it has ended.
  static void Release(RequestWorker* worker);

  // Main thread. Asks for a missing pass phrase when `account.ID` is not empty (an entered one
  // is also stored in the table entry at account.Index), logs the URL and the form lines,
  // and starts the thread. Returns false, and sends nothing, when the prompt was cancelled or
  // the host is gone; the completion routine is then never called. A worker starts only once.
  bool Start(const std::string& url, const AccountRecord& account, const std::string& formText,
             QObject* owner, Completion completion, bool proxyAllowed);
  // The same with the form already split into its lines, for forms whose values may hold line
  // breaks of their own (a line break inside a value then never starts a field).
  bool StartLines(const std::string& url, const AccountRecord& account, std::vector<std::string> formLines,
                  QObject* owner, Completion completion, bool proxyAllowed);
  // The same for no account and never through the proxy.
  bool StartSimple(const std::string& url, const std::string& formText, QObject* owner,
                   Completion completion);

  // Read in or after the completion routine.
  bool Succeeded() const { return succeeded_; }
  const std::string& Response() const { return response_; }
  const std::string& Url() const { return url_; }
  // True once the run has ended and the completion routine has had its turn.
  bool Done() const { return done_; }
  // Whether the thread was started (false after a cancelled prompt).
  bool Started() const { return started_; }

  // An owner that closes before the answer arrives may note that it no longer wants it. The
  // exchange is not interrupted and the completion routine still runs.
  void RequestStop() { stopRequested_ = true; }
  bool StopRequested() const { return stopRequested_; }

 protected:
  ~RequestWorker() override;
  void run() override;

 private:
  void Exchange();
  void Entry();
  void OnFinished();

  HostRef host_;
  std::string url_;
  AccountRecord account_;
  std::vector<std::string> fields_;
  std::string response_;
  bool succeeded_ = false;
  std::string title_;
  std::string logText_;
  uint32_t byteCount_ = 0;  // bytes of the answer body received; shown in the events list
  bool proxyAllowed_ = false;
  std::unique_ptr<HttpClient> client_;

  QPointer<QObject> owner_;
  bool ownerGiven_ = false;
  Completion completion_;
  std::atomic<bool> stopRequested_{false};
  bool started_ = false;
  bool done_ = false;
  bool inCompletion_ = false;
  bool released_ = false;
  LiveWorker counted_;  // counted from creation to deletion
};

struct RequestWorkerReleaser {
  void operator()(RequestWorker* worker) const { RequestWorker::Release(worker); }
};
// How owners keep their latest worker of a kind.
using RequestWorkerPtr = std::unique_ptr<RequestWorker, RequestWorkerReleaser>;

inline RequestWorkerPtr MakeRequestWorker(WorkerHost* host) {
  return RequestWorkerPtr(new RequestWorker(host));
}

}  // namespace nummora
