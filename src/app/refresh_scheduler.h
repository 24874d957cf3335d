#pragma once
// When balances are refreshed: the one-minute tick (each account at its own interval, and the
// metal rates every half hour), "Update all balances", and the Refreshing mark of an account
// from the start of its refresh to its end. Who does a refresh is given at construction.
#include <QObject>
#include <functional>

#include "common/datetime.h"
#include "profile/model.h"

class QTimer;

namespace nummora {

class RefreshScheduler : public QObject {
  Q_OBJECT
 public:
  // `dispatch` hands a started refresh of the account at a table position to whoever does it;
  // that one ends it through End().
  RefreshScheduler(ProfileModel& model, const Clock& clock, std::function<void(int)> dispatch,
                   QObject* parent = nullptr);

  // Starts and stops the one-minute timer.
  void Start();
  void Stop();
  // One tick of the timer: the refreshes that are due, and the rates when they are.
  void Tick();
  // Starts a refresh of the account at `position`; nothing when it is refreshing already or
  // does not exist.
  void Request(int position);
  // Starts a refresh of every live account.
  void UpdateAll();
  // The refresh of the account ended: its Refreshing mark goes.
  void End(int position);

 signals:
  // A refresh of the account started or ended.
  void RefreshStateChanged(int position);
  // New metal rates are due.
  void RatesDue();

 private:
  ProfileModel& model_;
  const Clock& clock_;
  std::function<void(int)> dispatch_;
  QTimer* timer_ = nullptr;
};

}  // namespace nummora
