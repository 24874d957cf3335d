#pragma once
// What the tests reach in the main window besides its public operations: the model to change
// behind its back, the one-minute tick, the tray marker, the payment dialogs' services, and the
// entry points of hotkeys, second-instance messages and the proxy indicator.
#include "app/instance_links.h"
#include "app/main_window.h"
#include "app/notifier.h"
#include "app/refresh_scheduler.h"

namespace nummora {

struct MainWindowTestAccess {
  static ProfileModel& Model(MainWindow& w) { return w.model_; }
  static void TimerTick(MainWindow& w) { w.refresh_->Tick(); }
  static void HotkeyPressed(MainWindow& w, int shortcutValue) { w.HotkeyPressed(shortcutValue); }
  static void InstanceMessage(MainWindow& w, int number) { w.instanceLinks_->Receive(number); }
  static void ShowProxyIndicator(MainWindow& w, const ProxySettings& proxy) { w.ShowProxyIndicator(proxy); }
  static void HideToTray(MainWindow& w) { w.notifier_->HideWindow(); }
  static void ShowFromTray(MainWindow& w) { w.notifier_->ShowWindow(); }
  static bool HiddenInTray(const MainWindow& w) { return w.notifier_->WindowHidden(); }
  // The address book, e-mail notice and last operations the payment dialogs are given.
  static PaymentServices& PaymentDialogServices(MainWindow& w) { return w.paymentServices_; }
  static const QString& ApplicationTitle(const MainWindow& w) { return w.applicationTitle_; }
};

}  // namespace nummora
