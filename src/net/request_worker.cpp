#include "net/request_worker.h"

#include <algorithm>
#include <limits>

#include "common/secure_memory.h"
#include "net/balance_outcome.h"
#include "net/form_encoding.h"
#include "net/worker_texts.h"

namespace nummora {

RequestWorker::RequestWorker(WorkerHost* host) : host_(host) {
  // QThread::finished is emitted on the worker thread; this object lives on the main thread, so
  // the completion runs there, after the run.
  connect(this, &QThread::finished, this, &RequestWorker::OnFinished, Qt::QueuedConnection);
}

RequestWorker::~RequestWorker() {
  // Release() keeps running workers alive, so this only waits for a thread that has already
  // left run() and is winding down.
  wait();
  SecureWipe(account_.Password);
}

void RequestWorker::Release(RequestWorker* worker) {
  if (!worker) return;
  if (worker->inCompletion_ || (worker->started_ && !worker->done_)) {
    worker->released_ = true;
    return;
  }
  delete worker;
}

bool RequestWorker::Start(const std::string& url, const AccountRecord& account, const std::string& formText,
                          QObject* owner, Completion completion, bool proxyAllowed) {
  return StartLines(url, account, SplitFormLines(formText), owner, std::move(completion), proxyAllowed);
}

bool RequestWorker::StartLines(const std::string& url, const AccountRecord& account,
                               std::vector<std::string> formLines, QObject* owner, Completion completion,
                               bool proxyAllowed) {
  if (started_) return false;
  WorkerHost* host = host_.get();
  if (!host) return false;

  url_ = url;
  account_ = account;
  if (!account_.ID.empty()) {
    if (AskAndKeepPassPhrase(*host, account_) == AskOutcome::Cancelled) {
      SecureWipe(account_.Password);
      for (std::string& line : formLines) SecureWipe(line);
      return false;
    }
  }
  // The caller has built the form text; the worker itself never needs the secret.
  SecureWipe(account_.Password);

  client_ = std::make_unique<HttpClient>(host->TransportOptions());
  proxyAllowed_ = proxyAllowed;
  if (proxyAllowed_ && host->Model().Proxy.UseProxy) client_->SetProxy(host->Model().Proxy);

  fields_ = std::move(formLines);
  const std::string header = SockEventHeader(host->Now(), host->Regional(), account_.ID);
  host->AddEvent(header, SockEventBody(url_, byteCount_));
  host->AddEvent(header, SockEventBody(JoinFormLines(fields_), byteCount_));

  owner_ = owner;
  ownerGiven_ = owner != nullptr;
  completion_ = std::move(completion);
  started_ = true;
  start();
  return true;
}

bool RequestWorker::StartSimple(const std::string& url, const std::string& formText, QObject* owner,
                                Completion completion) {
  return Start(url, AccountRecord{}, formText, owner, std::move(completion), false);
}

void RequestWorker::Entry() {
  WithHost(host_, [this](WorkerHost& host) {
    host.AddEvent(SockEventHeader(host.Now(), host.Regional(), account_.ID),
                  SockEventBody(logText_, byteCount_));
  });
}

void RequestWorker::run() {
  try {
    Exchange();
  } catch (const std::exception& e) {
    // Nothing may escape the thread; whatever went wrong counts as a failed exchange.
    succeeded_ = false;
    response_.clear();
    const std::string message = e.what();
    WithHost(host_, [&message](WorkerHost& host) { host.AddEventLine(message); });
  }
}

void RequestWorker::Exchange() {
  succeeded_ = true;
  logText_ = url_;
  Entry();

  std::string body = EncodeFormBody(fields_);
  // A form may carry a pass phrase: neither the lines nor the encoded copy are kept.
  for (std::string& line : fields_) SecureWipe(line);
  fields_.clear();
  HttpResult result = client_->Post(url_, body);
  SecureWipe(body);

  if (!result.Succeeded) {
    title_ = kConnectionProblemTitle;
    logText_ = result.Message;
    WithHost(host_, [this](WorkerHost& host) {
      host.Notify(NotifyKind::Warning, title_, false, logText_);
      host.AddEvent(SockEventHeader(host.Now(), host.Regional(), account_.ID),
                    SockEventBody(logText_, byteCount_));
    });
    succeeded_ = false;
    response_.clear();
  } else {
    response_ = std::move(result.Body);
    byteCount_ =
        static_cast<uint32_t>(std::min<std::size_t>(response_.size(), std::numeric_limits<uint32_t>::max()));
  }
  Entry();

  if (!account_.ID.empty()) {
    const uint8_t status = AnswerStatus(account_.Type, response_);
    WithHost(host_,
             [this, status](WorkerHost& host) { host.StoreStatus(account_.Index, status, std::nullopt); });
  }
}

void RequestWorker::OnFinished() {
  wait();
  done_ = true;
  const bool ownerAlive = !ownerGiven_ || owner_;
  if (!released_ && ownerAlive && completion_) {
    inCompletion_ = true;
    // The completion may release this worker (an owner replacing its latest request); the
    // deletion then waits until it has returned.
    completion_(*this);
    inCompletion_ = false;
  }
  completion_ = nullptr;
  if (released_) delete this;
}

}  // namespace nummora
