#include "app/instance_links.h"

#include "app/instance_messages.h"
#include "app/scheme_registration.h"
#include "app/single_instance.h"
#include "platform/settings_store.h"

namespace nummora {

InstanceLinks::InstanceLinks(const QString& socketPath, std::filesystem::path storeFile, QObject* parent)
    : QObject(parent), storeFile_(std::move(storeFile)) {
  if (socketPath.isEmpty()) return;
  server_ = new InstanceServer(this);
  connect(server_, &InstanceServer::MessageReceived, this, &InstanceLinks::Receive);
  server_->Listen(socketPath);
}

void InstanceLinks::Stop() {
  if (server_) server_->Stop();
}

void InstanceLinks::Receive(int number) {
  if (number == kMessageComeToFront) {
    emit ComeToFrontRequested();
    return;
  }
  if (number != kMessageLinkWaits) return;
  emit LinkArrived(TakeHandOff());
}

std::string InstanceLinks::TakeHandOff() const {
  std::string link;
  try {
    // A fresh store object, so the profile key of the program's own object stays open.
    SettingsStore handOff(storeFile_.empty() ? SettingsStore::DefaultFile() : storeFile_);
    handOff.SetRootKey(RootKey::ClassesRoot);
    handOff.OpenKey(kNmrKey, true);
    link = handOff.ReadString(kHandOffValue);
    handOff.DeleteValue(kHandOffValue);
  } catch (const std::exception&) {
    // Failures on this path are ignored; an unreadable slot opens an empty form.
  }
  return link;
}

}  // namespace nummora
