#pragma once
// How the main window reaches the user when it is not in front, and how the user reaches it
// without its frame: the tray icon (desktop notifications where the desktop has no tray),
// hiding the window into the tray and bringing it back, the notices of background work, and
// the global hotkeys.
#include <QObject>
#include <QString>
#include <string>

#include "app/notify_text.h"

class QAction;
class QWidget;

namespace nummora {

class BalloonNotifier;
class HotkeyManager;
class MessageBoxes;
class Tray;

class Notifier : public QObject {
  Q_OBJECT
 public:
  // `window`: the window that is hidden, shown and named in notices (and the parent).
  // `balloons`: where balloons go; nullptr: a tray icon of this notifier's own, whose menu
  // runs `spend` and `updateAll`. `boxes`: the message boxes (nullptr: real ones).
  Notifier(QWidget& window, BalloonNotifier* balloons, MessageBoxes* boxes, QAction* spend,
           QAction* updateAll);

  // A background notice: a message box when the window shows and `asDialog` allows it, else a
  // balloon, whose text also goes to the status bar's hint (HintChanged).
  void Notify(NotifyKind kind, const std::string& title, bool asDialog, const std::string& text);

  // Shows the window out of the tray and brings it to the front; hides it into the tray when
  // there is a tray to come back from; the one or the other.
  void ShowWindow();
  void HideWindow();
  void ToggleWindow();
  bool WindowHidden() const { return hiddenInTray_; }
  // What the window tells of itself: it was shown, or minimised (which hides it into the tray).
  void WindowShown();
  void WindowMinimized();
  // Makes the tray icon visible once the profile is loaded.
  void Reveal();

  // The global hotkeys; their presses arrive as HotkeyPressed.
  HotkeyManager& Hotkeys() { return *hotkeys_; }

 signals:
  void HintChanged(const QString& text);
  void HotkeyPressed(int shortcutValue);
  // "&Exit" in the tray's menu.
  void ExitRequested();

 private:
  QWidget& window_;
  MessageBoxes* boxes_;
  Tray* tray_ = nullptr;  // only when the notifier has its own icon
  BalloonNotifier* balloons_;
  HotkeyManager* hotkeys_;
  bool hiddenInTray_ = false;
};

}  // namespace nummora
