#pragma once
// The running instance's window stand-in: a local socket named after the main window's class,
// listening while the main window exists, through which a second instance asks it to come to
// the front (10101) or to open the link waiting in the hand-off value (10100). Each connection
// is served for a few messages and a few hundred bytes, and only a few at once.
#include <QObject>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/local_socket.h"

class QSocketNotifier;

namespace nummora {

class InstanceMessageReader;
class SettingsStore;

class InstanceServer : public QObject {
  Q_OBJECT
 public:
  explicit InstanceServer(QObject* parent = nullptr);
  ~InstanceServer() override;

  // Starts listening at `socketPath` (owner-only access). A socket file left by an instance
  // that is gone is removed first; one that answers belongs to a live window and is left
  // alone (then false).
  bool Listen(const QString& socketPath);
  void Stop();
  bool IsListening() const;
  // Connections being served: at most a few; when a new one comes, the oldest is dropped.
  std::size_t ClientCount() const;

 signals:
  // A message number arrived from another instance.
  void MessageReceived(int number);

 private:
  struct Client;
  void AcceptWaiting();
  void ReadClient(int fd);
  void DropClient(int fd);
  void DropOldestClient();

  LocalSocket listener_;
  std::string path_;
  QSocketNotifier* acceptNotifier_ = nullptr;
  std::map<int, std::unique_ptr<Client>> clients_;
  std::uint64_t arrivals_ = 0;
};

// Whether a main window listens at `socketPath`.
bool RunningWindowAnswers(const QString& socketPath, int timeoutMs = 1000);

// The second instance's hand-over: sends 10101 to the running window, then, with a link, writes
// it to the hand-off value "URL" of NMR and sends 10100. Returns false (and writes nothing)
// when no window answers.
bool HandOverToRunningInstance(const QString& socketPath, const std::optional<std::string>& link,
                               SettingsStore& store, int timeoutMs = 3000);

}  // namespace nummora
