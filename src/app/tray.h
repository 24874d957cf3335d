#pragma once
// The notification-area icon with its menu and balloons. Where the desktop has no tray the
// balloons become desktop notifications over D-Bus and the main window is never hidden; a
// tray that appears after start-up (late at login) is picked up.
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <functional>

#include "app/notify_text.h"

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace nummora {

// Where balloons go; tests hand in a recorder.
class BalloonNotifier {
 public:
  virtual ~BalloonNotifier() = default;
  // Shows a balloon (a new one replaces the one still showing). The texts are already cut to
  // the balloon limits.
  virtual void ShowBalloon(NotifyKind kind, const QString& title, const QString& text, int timeoutMs) = 0;
  // Whether a tray icon is showing, so the main window may be hidden into it.
  virtual bool CanHideToTray() const = 0;
};

class Tray : public QObject, public BalloonNotifier {
  Q_OBJECT
 public:
  // `isHidden` tells whether the main window is hidden in the tray (chooses the first item).
  Tray(std::function<bool()> isHidden, QObject* parent = nullptr);
  ~Tray() override;

  // The "&Spend..." and "&Update all balances" items run these actions.
  void SetMenuActions(QAction* spend, QAction* updateAll);
  // Makes the icon visible (once the profile is loaded); waits for a tray that is not there yet.
  void Reveal();

  void ShowBalloon(NotifyKind kind, const QString& title, const QString& text, int timeoutMs) override;
  bool CanHideToTray() const override;

  QMenu* Menu() const { return menu_; }

 signals:
  // A click on the icon or on the menu's first item.
  void ToggleRequested();
  // A click on a balloon, or on a desktop notification shown in place of one.
  void BalloonClicked();
  // "&Exit" in the menu.
  void ExitRequested();

 private slots:
  // The notification server's ActionInvoked signal: a click on one of our notifications.
  void NotificationActionInvoked(uint id, const QString& actionKey);

 private:
  void CreateIcon();
  void MenuAboutToShow();
  void NotifyOverDBus(NotifyKind kind, const QString& title, const QString& text, int timeoutMs);

  std::function<bool()> isHidden_;
  QMenu* menu_;
  QAction* toggle_;
  QSystemTrayIcon* icon_ = nullptr;
  QTimer* waitForTray_;
  bool revealed_ = false;
  uint lastNotificationId_ = 0;
  QSet<uint> notificationIds_;  // ids the notification server gave our notifications
  bool listening_ = false;      // connected to ActionInvoked
};

}  // namespace nummora
