#pragma once
// What the tests reach in the main window besides its public operations: the model to change
// behind its back, the one-minute tick, the tray marker, and the entry points of the parts that
// plug in later (hotkeys, second-instance messages, the proxy indicator).
#include "app/main_window.h"

namespace nummora {

struct TNummoraTestAccess {
  static ProfileModel& Model(TNummora& w) { return w.model_; }
  static void TimerTick(TNummora& w) { w.TimerTick(); }
  static void HotkeyPressed(TNummora& w, int shortcutValue) { w.HotkeyPressed(shortcutValue); }
  static void InstanceMessage(TNummora& w, int number) { w.InstanceMessage(number); }
  static void ShowProxyIndicator(TNummora& w, const TProxy& proxy) { w.ShowProxyIndicator(proxy); }
  static void HideToTray(TNummora& w) { w.HideToTray(); }
  static void ShowFromTray(TNummora& w) { w.ShowFromTray(); }
  static bool HiddenInTray(const TNummora& w) { return w.hiddenInTray_; }
  static const QString& ApplicationTitle(const TNummora& w) { return w.applicationTitle_; }
};

}  // namespace nummora
