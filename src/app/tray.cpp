#include "app/tray.h"

#include <QAction>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include "ui/icons.h"

namespace nummora {

namespace {
QSystemTrayIcon::MessageIcon TrayIconOf(NotifyKind kind) {
  switch (kind) {
    case NotifyKind::Warning:
      return QSystemTrayIcon::Warning;
    case NotifyKind::Error:
      return QSystemTrayIcon::Critical;
    case NotifyKind::Information:
      return QSystemTrayIcon::Information;
    case NotifyKind::Confirmation:
    case NotifyKind::Plain:
      break;
  }
  return QSystemTrayIcon::NoIcon;
}

QString DBusIconOf(NotifyKind kind) {
  switch (kind) {
    case NotifyKind::Warning:
      return QStringLiteral("dialog-warning");
    case NotifyKind::Error:
      return QStringLiteral("dialog-error");
    case NotifyKind::Information:
      return QStringLiteral("dialog-information");
    case NotifyKind::Confirmation:
    case NotifyKind::Plain:
      break;
  }
  return QString();
}
}  // namespace

Tray::Tray(std::function<bool()> isHidden, QObject* parent)
    : QObject(parent), isHidden_(std::move(isHidden)), menu_(new QMenu), waitForTray_(new QTimer(this)) {
  menu_->setObjectName(QStringLiteral("TrayMenu"));
  toggle_ = menu_->addAction(QStringLiteral("&Minimize to tray"));
  toggle_->setObjectName(QStringLiteral("trayToggle"));
  QFont bold = toggle_->font();
  bold.setBold(true);
  toggle_->setFont(bold);
  menu_->setDefaultAction(toggle_);
  connect(toggle_, &QAction::triggered, this, &Tray::ToggleRequested);
  connect(menu_, &QMenu::aboutToShow, this, &Tray::MenuAboutToShow);

  waitForTray_->setInterval(5000);
  connect(waitForTray_, &QTimer::timeout, this, [this] {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
      waitForTray_->stop();
      CreateIcon();
    }
  });
}

Tray::~Tray() {
  if (icon_) icon_->hide();  // hidden before it goes, or some trays keep a ghost icon
  delete icon_;
  delete menu_;
}

void Tray::SetMenuActions(QAction* spend, QAction* updateAll) {
  menu_->addSeparator();
  QAction* s = menu_->addAction(QStringLiteral("&Spend..."));
  s->setObjectName(QStringLiteral("traySpend"));
  connect(s, &QAction::triggered, spend, &QAction::trigger);
  QAction* u = menu_->addAction(QStringLiteral("&Update all balances"));
  u->setObjectName(QStringLiteral("trayUpdateAll"));
  connect(u, &QAction::triggered, updateAll, &QAction::trigger);
  menu_->addSeparator();
  QAction* e = menu_->addAction(QStringLiteral("&Exit"));
  e->setObjectName(QStringLiteral("trayExit"));
  connect(e, &QAction::triggered, this, &Tray::ExitRequested);
  // The Spend item follows the enabled state of the action it runs.
  connect(menu_, &QMenu::aboutToShow, this, [s, spend] { s->setEnabled(spend->isEnabled()); });
}

void Tray::MenuAboutToShow() {
  toggle_->setText(isHidden_() ? QStringLiteral("&Show main form") : QStringLiteral("&Minimize to tray"));
}

void Tray::Reveal() {
  revealed_ = true;
  if (QSystemTrayIcon::isSystemTrayAvailable())
    CreateIcon();
  else
    waitForTray_->start();
}

void Tray::CreateIcon() {
  if (icon_ || !revealed_) return;
  icon_ = new QSystemTrayIcon(ProgramIcon());
  icon_->setContextMenu(menu_);
  connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger) emit ToggleRequested();
  });
  connect(icon_, &QSystemTrayIcon::messageClicked, this, &Tray::BalloonClicked);
  icon_->show();
}

bool Tray::CanHideToTray() const {
  return icon_ && icon_->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void Tray::ShowBalloon(NotifyKind kind, const QString& title, const QString& text, int timeoutMs) {
  if (CanHideToTray()) {
    icon_->showMessage(title, text, TrayIconOf(kind), timeoutMs);
    return;
  }
  NotifyOverDBus(kind, title, text, timeoutMs);
}

void Tray::NotifyOverDBus(NotifyKind kind, const QString& title, const QString& text, int timeoutMs) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  if (!listening_) {
    // A click on the notification comes back as a signal that names its id and the action.
    // (QDBusConnection offers no function-pointer form of this connection.)
    listening_ = bus.connect(QString(), QStringLiteral("/org/freedesktop/Notifications"),
                             QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"),
                             this, SLOT(NotificationActionInvoked(uint, QString)));
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  // Notification servers may read the body as markup; the texts come from servers and users.
  call << QGuiApplication::applicationDisplayName() << lastNotificationId_ << DBusIconOf(kind) << title
       << text.toHtmlEscaped() << QStringList{QStringLiteral("default"), QStringLiteral("Show Nummora")}
       << QVariantMap() << timeoutMs;
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    QDBusPendingReply<uint> reply = *w;
    if (reply.isValid()) {
      lastNotificationId_ = reply.value();  // the next one replaces it
      notificationIds_.insert(lastNotificationId_);
    }
    w->deleteLater();
  });
}

void Tray::NotificationActionInvoked(uint id, const QString& actionKey) {
  // Other programs' notifications raise the same signal on the bus.
  if (!notificationIds_.contains(id)) return;
  if (actionKey == QLatin1String("default")) emit BalloonClicked();
}

}  // namespace nummora
