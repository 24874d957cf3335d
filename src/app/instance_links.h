#pragma once
// Where a second instance reaches the running one: the local socket server and what its
// messages mean. "Come to the front" brings the window forward; "a link waits" takes the
// payment link that the second instance left in the settings store and hands it on.
#include <QObject>
#include <QString>
#include <filesystem>
#include <string>

namespace nummora {

class InstanceServer;

class InstanceLinks : public QObject {
  Q_OBJECT
 public:
  // Listens on `socketPath` (nothing when it is empty); the hand-off slot is read from the
  // settings database `storeFile` (empty: the default one).
  InstanceLinks(const QString& socketPath, std::filesystem::path storeFile, QObject* parent = nullptr);
  // Stops listening (at close: no message reaches a window that is going).
  void Stop();
  // A message number from a second instance.
  void Receive(int number);

 signals:
  void ComeToFrontRequested();
  // A payment link arrived; empty when the slot was empty or unreadable (an empty form opens).
  void LinkArrived(const std::string& link);

 private:
  // Reads and empties the hand-off slot.
  std::string TakeHandOff() const;

  InstanceServer* server_ = nullptr;
  std::filesystem::path storeFile_;
};

}  // namespace nummora
