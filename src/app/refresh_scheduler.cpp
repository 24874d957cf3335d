#include "app/refresh_scheduler.h"

#include <QTimer>

#include "app/account_rows.h"

namespace nummora {

RefreshScheduler::RefreshScheduler(ProfileModel& model, const Clock& clock, std::function<void(int)> dispatch,
                                   QObject* parent)
    : QObject(parent), model_(model), clock_(clock), dispatch_(std::move(dispatch)) {
  timer_ = new QTimer(this);
  timer_->setObjectName(QStringLiteral("Timer"));
  timer_->setInterval(60000);
  connect(timer_, &QTimer::timeout, this, &RefreshScheduler::Tick);
}

void RefreshScheduler::Start() {
  timer_->start();
}

void RefreshScheduler::Stop() {
  timer_->stop();
}

void RefreshScheduler::Tick() {
  const TDateTime now = clock_.Now();
  for (int position : DueRefreshes(model_, now)) Request(position);
  if (nummora::RatesDue(model_.RatesTime, now)) emit RatesDue();
}

void RefreshScheduler::Request(int position) {
  if (!model_.IsValidPosition(position)) return;
  AccountRecord& account = model_.Account(position);
  if (account.Refreshing) return;
  account.Refreshing = true;
  emit RefreshStateChanged(position);
  dispatch_(position);
}

void RefreshScheduler::UpdateAll() {
  for (int position : LivePositions(model_)) Request(position);
}

void RefreshScheduler::End(int position) {
  if (!model_.IsValidPosition(position)) return;
  model_.Account(position).Refreshing = false;
  emit RefreshStateChanged(position);
}

}  // namespace nummora
