#pragma once
// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the main thread, so that a program
// ended by the system (kill, logout without a session manager, Ctrl+C in a terminal) saves
// the profile like a session end instead of dying with the run's changes unsaved.
#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace nummora {

class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  // Installs the handlers; only one object may exist at a time. The handlers are removed
  // (default actions restored) when it is destroyed.
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

  bool installed() const { return notifier_ != nullptr; }

 signals:
  // Emitted on the main thread once per received signal.
  void requested(int signalNumber);

 private:
  void readSignal();

  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace nummora
