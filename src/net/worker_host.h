#pragma once
// What the network workers need from the main thread, and the hand-off that runs a piece of work
// there while the worker waits.
//
// A worker copies what it needs (account record, proxy, number format) when it is started on
// the main thread. Everything else it does with the program's state (a notice, an events-list
// entry, a write to the account table, the pass-phrase prompt) goes through a WorkerHost, and
// every call of a WorkerHost happens on the main thread: the worker hands the call over with
// RunOnMainThread and waits until it has run. Workers never write the model themselves: they
// tell the host what happened (balances read, a status, an entered pass phrase, the end of a
// refresh) and the host applies it. The host may be gone by then (the main window closed while
// an exchange was still on the wire); the worker notices that through its HostRef and simply
// drops the rest of its reports.
#include <QPointer>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/datetime.h"
#include "common/format_settings.h"
#include "common/notify_kind.h"
#include "common/passphrase_prompt.h"
#include "net/balance_outcome.h"
#include "net/egold.h"
#include "net/http_client.h"
#include "profile/model.h"

class QObject;
class QWidget;

namespace nummora {

// Result of the pass-phrase prompt.
enum class AskOutcome { Known, Entered, Cancelled };

class WorkerHost {
 public:
  // `prompt`: how the user is asked for a pass phrase; it must outlive the host.
  explicit WorkerHost(PassphrasePrompt& prompt) : prompt_(prompt) {}
  virtual ~WorkerHost() = default;

  // An object that lives exactly as long as the host: workers keep a guarded pointer to it and
  // stop calling the host once it is gone.
  virtual QObject* LifetimeObject() = 0;

  // The model that holds the account table (entries addressed by AccountRecord::Index), the proxy,
  // the display currency and the rates text. Workers read it to take their copies; every change
  // goes through the operations below, which the host applies and shows in one place.
  virtual const ProfileModel& Model() const = 0;
  // The number format of the main window (decimal "." and no grouping in amounts) and the user's
  // regional formats (long time format of events-list lines).
  virtual FormatSettings NumberFormat() const = 0;
  virtual FormatSettings Regional() const = 0;
  virtual TDateTime Now() const = 0;
  // How each worker's HTTP client is set up (extra CA file, time-outs).
  virtual HttpOptions TransportOptions() const = 0;
  // The four current metal rates in the display currency (gold, silver, platinum, palladium).
  virtual MetalAmounts CurrentRates() const = 0;

  // A background notice: a tray balloon unless `asDialog` is set and the main window shows.
  virtual void Notify(NotifyKind kind, const std::string& title, bool asDialog, const std::string& text) = 0;
  // An events-list entry framed by empty lines: a header line and a body text.
  virtual void AddEvent(const std::string& header, const std::string& body) = 0;
  // A single events-list line.
  virtual void AddEventLine(const std::string& line) = 0;

  // --- what happened to the entry at a table position (positions outside the table are
  //     ignored); the host writes it into its model and rewrites the entry's row ---
  // The user typed the entry's pass phrase at the prompt: it is kept for the rest of the run.
  virtual void KeepPassPhrase(int position, const std::string& passPhrase) = 0;
  // A refresh read the entry's balances.
  virtual void StoreBalances(int position, const AccountBalances& balances) = 0;
  // An answer about the entry gave its Status; a balance refresh also moves its Updated.
  virtual void StoreStatus(int position, uint8_t status, std::optional<TDateTime> updated) = 0;
  // The balance refresh of the entry ended, whatever its outcome: its Refreshing mark goes.
  virtual void EndRefresh(int position) = 0;
  // An e-gold balance changed: the last operations should fetch the payments received.
  virtual void FetchRecentPayments(int position) = 0;

  // A fresh metal-rates answer arrived at `received`: it becomes RatesText and RatesTime.
  virtual void StoreRates(const std::string& answer, TDateTime received) = 0;
  // New metal rates were read: every row is rewritten and the details pane shown again.
  virtual void RatesChanged() = 0;

  // The window dialogs are centred on.
  virtual QWidget* DialogParent() = 0;
  // The pass-phrase prompt for an account record: the free AskPassPhrase below with the host's
  // prompt.
  virtual AskOutcome AskPassPhrase(AccountRecord& account);

 private:
  PassphrasePrompt& prompt_;
};

// Known when the record's pass phrase is stored. Otherwise asks `prompt`: a confirmed pass
// phrase long enough to count as stored goes into the record's Password and gives Entered; else
// Cancelled.
AskOutcome AskPassPhrase(AccountRecord& account, PassphrasePrompt& prompt);

// Main thread. Asks for the record's pass phrase when it is not stored (host.AskPassPhrase) and
// has the host keep an entered one in the table entry at the record's Index as well, where it
// stays for the run. Callers that put the pass phrase (or a token made from it) into a form call this before
// building the form. Returns the prompt's outcome.
AskOutcome AskAndKeepPassPhrase(WorkerHost& host, AccountRecord& account);

// Runs `work` on the main thread and returns when it has run. From the main thread itself the
// work is called directly; from a worker it is queued to the main thread and the worker blocks
// until it is done. Returns false when it could not run (the application is gone).
bool RunOnMainThread(const std::function<void()>& work);

// A worker's guarded view of its host. Created and read on the main thread only.
class HostRef {
 public:
  HostRef() = default;
  explicit HostRef(WorkerHost* host) : host_(host), alive_(host ? host->LifetimeObject() : nullptr) {}
  // The host, or nullptr once it has been destroyed. Main thread only.
  WorkerHost* get() const { return alive_ ? host_ : nullptr; }

 private:
  WorkerHost* host_ = nullptr;
  QPointer<QObject> alive_;
};

// Runs `work(host)` on the main thread while the caller waits, if the host still exists.
// Returns whether it ran.
bool WithHost(const HostRef& ref, const std::function<void(WorkerHost&)>& work);

}  // namespace nummora
