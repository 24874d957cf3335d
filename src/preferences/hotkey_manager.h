#pragma once
// The global hotkeys: each registered shortcut value (preferences/hotkey_text.h) is grabbed on
// the X11 root window, with and without Num Lock and Caps Lock, so that it reaches the program
// from any application; a press is reported with the value and the id it was registered under.
// A grab the X server refuses (another client holds the key) makes the registration fail, and
// so does a session without X11 (Wayland without XWayland, or no display at all): the program
// never pretends that a hotkey works.
#include <QAbstractNativeEventFilter>
#include <QObject>
#include <vector>

namespace nummora {

class HotkeyManager : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT
 public:
  explicit HotkeyManager(QObject* parent = nullptr);
  ~HotkeyManager() override;

  // Registers a shortcut value; returns its id, or 0 when it cannot be had.
  int Register(int shortcutValue);
  // Releases every registered hotkey, the last registered first.
  void RemoveAll();
  // The shortcut values registered, in registration order.
  std::vector<int> Registered() const;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 signals:
  void HotkeyPressed(int shortcutValue, int id);

 private:
  struct Entry {
    int value = 0;
    int id = 0;
    unsigned keycode = 0;
    unsigned modifiers = 0;
  };
  void Ungrab(const Entry& entry);

  std::vector<Entry> entries_;
  bool filtering_ = false;
};

}  // namespace nummora
