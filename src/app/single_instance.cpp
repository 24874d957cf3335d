#include "app/single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <memory>

#include "app/instance_messages.h"
#include "app/scheme_registration.h"
#include "platform/settings_store.h"

namespace nummora {

TInstanceServer::TInstanceServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      auto reader = std::make_shared<InstanceMessageReader>();
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [this, socket, reader] {
        const QByteArray bytes = socket->readAll();
        reader->Feed(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        int number = 0;
        while (reader->Next(number)) emit MessageReceived(number);
        if (reader->Broken()) socket->abort();
      });
    }
  });
}

TInstanceServer::~TInstanceServer() {
  Stop();
}

bool TInstanceServer::Listen(const QString& socketPath) {
  if (server_->isListening()) return true;
  // Listening with owner-only access replaces an existing socket file without asking, so a
  // live window is looked for first.
  if (RunningWindowAnswers(socketPath, 500)) return false;
  QLocalServer::removeServer(socketPath);  // left behind by an instance that is gone
  return server_->listen(socketPath);
}

void TInstanceServer::Stop() {
  if (server_->isListening()) server_->close();
}

bool TInstanceServer::IsListening() const {
  return server_->isListening();
}

bool RunningWindowAnswers(const QString& socketPath, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(socketPath);
  const bool answered = socket.waitForConnected(timeoutMs);
  socket.abort();
  return answered;
}

bool HandOverToRunningInstance(const QString& socketPath, const std::optional<std::string>& link,
                               SettingsStore& store, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(socketPath);
  if (!socket.waitForConnected(timeoutMs)) return false;
  const auto send = [&socket, timeoutMs](int number) {
    const std::string frame = EncodeInstanceMessage(number);
    socket.write(frame.data(), static_cast<qint64>(frame.size()));
    socket.flush();
    return socket.waitForBytesWritten(timeoutMs) || socket.bytesToWrite() == 0;
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
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
  return true;
}

}  // namespace nummora
