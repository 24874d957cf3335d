#include "net/worker_host.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <exception>

#include "common/secure_memory.h"

namespace nummora {

AskOutcome AskPassPhrase(AccountRecord& account, PassphrasePrompt& prompt) {
  if (PassPhraseStored(account.Password)) return AskOutcome::Known;
  std::optional<std::string> typed = prompt.Ask(AccountLabel(account), kStoredPassPhraseMinimum);
  if (!typed) return AskOutcome::Cancelled;
  SecureWipe(account.Password);
  account.Password = std::move(*typed);
  SecureWipe(*typed);
  return AskOutcome::Entered;
}

AskOutcome WorkerHost::AskPassPhrase(AccountRecord& account) {
  return nummora::AskPassPhrase(account, prompt_);
}

AskOutcome AskAndKeepPassPhrase(WorkerHost& host, AccountRecord& account) {
  const AskOutcome asked = host.AskPassPhrase(account);
  // The table may have changed while the prompt was open; the entry is found by its place.
  if (asked == AskOutcome::Entered) host.KeepPassPhrase(account.Index, account.Password);
  return asked;
}

bool RunOnMainThread(const std::function<void()>& work) {
  // The application object lives on the main thread for the whole run, unlike any window, so
  // it is a receiver that cannot disappear under a queued call.
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return false;
  if (QThread::currentThread() == app->thread()) {
    work();
    return true;
  }
  // A call that never runs (the application quits first) releases the waiting worker all the
  // same; `ran` tells the two apart. An exception must not cross the event loop: it is carried
  // back and thrown again in the waiting thread.
  bool ran = false;
  std::exception_ptr failure;
  QMetaObject::invokeMethod(
      app,
      [&work, &ran, &failure] {
        try {
          work();
        } catch (...) {
          failure = std::current_exception();
        }
        ran = true;
      },
      Qt::BlockingQueuedConnection);
  if (failure) std::rethrow_exception(failure);
  return ran;
}

bool WithHost(const HostRef& ref, const std::function<void(WorkerHost&)>& work) {
  bool ran = false;
  RunOnMainThread([&] {
    if (WorkerHost* host = ref.get()) {
      ran = true;
      // An error that escapes a report is written to the events list; the program goes on.
      try {
        work(*host);
      } catch (const std::exception& e) {
        host->AddEventLine(e.what());
      }
    }
  });
  return ran;
}

}  // namespace nummora
