#include "app/single_instance.h"

#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <vector>

#include "app/instance_messages.h"
#include "app/scheme_registration.h"
#include "platform/settings_store.h"

namespace nummora {
namespace {

std::string PathOf(const QString& socketPath) {
  return socketPath.toLocal8Bit().toStdString();
}

// A second instance sends one or two short messages and closes. Anything beyond these bounds
// is not an instance of ours, and is not served.
constexpr std::size_t kMaxClients = 8;
constexpr std::size_t kMaxClientBytes = 256;
constexpr int kMaxClientMessages = 4;

}  // namespace

// One connected instance: its socket, what it has sent so far, and the notifier that tells
// when more arrives.
struct InstanceServer::Client {
  LocalSocket socket;
  InstanceMessageReader reader;
  std::unique_ptr<QSocketNotifier> notifier;
  std::uint64_t arrival = 0;  // order of acceptance: the oldest goes first when the table is full
  std::size_t bytes = 0;
  int messages = 0;
};

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {}

InstanceServer::~InstanceServer() {
  Stop();
}

bool InstanceServer::Listen(const QString& socketPath) {
  if (IsListening()) return true;
  const std::string path = PathOf(socketPath);
  // A live window is looked for first: its socket file must not be taken over.
  if (RunningWindowAnswers(socketPath, 500)) return false;
  ::unlink(path.c_str());  // left behind by an instance that is gone
  listener_ = ListenLocalSocket(path);
  if (!listener_.IsOpen()) return false;
  path_ = path;
  acceptNotifier_ = new QSocketNotifier(listener_.Fd(), QSocketNotifier::Read, this);
  connect(acceptNotifier_, &QSocketNotifier::activated, this, &InstanceServer::AcceptWaiting);
  return true;
}

void InstanceServer::Stop() {
  if (!IsListening()) return;
  delete acceptNotifier_;
  acceptNotifier_ = nullptr;
  clients_.clear();
  listener_.Close();
  ::unlink(path_.c_str());
  path_.clear();
}

bool InstanceServer::IsListening() const {
  return listener_.IsOpen();
}

void InstanceServer::AcceptWaiting() {
  for (;;) {
    LocalSocket socket = AcceptLocalSocket(listener_);
    if (!socket.IsOpen()) return;
    if (clients_.size() >= kMaxClients) DropOldestClient();
    auto client = std::make_unique<Client>();
    client->arrival = ++arrivals_;
    const int fd = socket.Fd();
    client->socket = std::move(socket);
    client->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(client->notifier.get(), &QSocketNotifier::activated, this, [this, fd] { ReadClient(fd); });
    clients_[fd] = std::move(client);
  }
}

void InstanceServer::ReadClient(int fd) {
  auto found = clients_.find(fd);
  if (found == clients_.end()) return;
  Client& client = *found->second;
  char buffer[512];
  bool ended = false;  // the other instance is done, or the connection broke
  for (;;) {
    const long got = ReadLocalSocket(client.socket, buffer, sizeof buffer);
    if (got < 0 && errno == EAGAIN) break;
    if (got <= 0) {
      ended = true;
      break;
    }
    // What lies past the bound is not read: the connection is dropped after it.
    const std::size_t room = kMaxClientBytes - client.bytes;
    const std::size_t taken = std::min(static_cast<std::size_t>(got), room);
    client.bytes += taken;
    client.reader.Feed(buffer, taken);
    if (client.bytes >= kMaxClientBytes) {
      ended = true;
      break;
    }
  }
  // What came whole counts, also when the stream ended or broke after it.
  int number = 0;
  std::vector<int> numbers;
  while (client.messages < kMaxClientMessages && client.reader.Next(number)) {
    numbers.push_back(number);
    ++client.messages;
  }
  if (ended || client.reader.Broken() || client.messages >= kMaxClientMessages) DropClient(fd);
  for (int n : numbers) emit MessageReceived(n);
}

void InstanceServer::DropClient(int fd) {
  // Deleted later: the notifier may be the one whose signal is being delivered.
  auto found = clients_.find(fd);
  if (found == clients_.end()) return;
  found->second->notifier->setEnabled(false);
  found->second->notifier.release()->deleteLater();
  clients_.erase(found);
}

void InstanceServer::DropOldestClient() {
  auto oldest = clients_.begin();
  for (auto it = clients_.begin(); it != clients_.end(); ++it)
    if (it->second->arrival < oldest->second->arrival) oldest = it;
  if (oldest != clients_.end()) DropClient(oldest->first);
}

std::size_t InstanceServer::ClientCount() const {
  return clients_.size();
}

bool RunningWindowAnswers(const QString& socketPath, int timeoutMs) {
  return ConnectLocalSocket(PathOf(socketPath), timeoutMs).IsOpen();
}

bool HandOverToRunningInstance(const QString& socketPath, const std::optional<std::string>& link,
                               SettingsStore& store, int timeoutMs) {
  const LocalSocket socket = ConnectLocalSocket(PathOf(socketPath), timeoutMs);
  if (!socket.IsOpen()) return false;
  const auto send = [&socket, timeoutMs](int number) {
    return SendLocalSocket(socket, EncodeInstanceMessage(number), timeoutMs);
  };
  // The window is brought forward before the link is written, as the running instance expects.
  send(kMessageComeToFront);
  if (link) {
    try {
      store.SetRootKey(RootKey::ClassesRoot);
      store.OpenKey(kNmrKey, true);
      store.WriteString(kHandOffValue, *link);
      store.CloseKey();
      send(kMessageLinkWaits);
    } catch (const std::exception&) {
      // Without the hand-off value the link is lost, as when no window is found.
    }
  }
  // Closing is enough: what was sent stays queued for the window to read.
  return true;
}

}  // namespace nummora
