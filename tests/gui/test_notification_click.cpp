// Where there is no tray, notices go to the desktop's notification server over D-Bus; a click
// on one (the server's ActionInvoked signal with the "default" action) brings the main window
// forward, as a click on a tray balloon does. A stand-in notification server runs on a private
// session bus (the test is run under dbus-run-session).
#include <QDBusConnection>
#include <QDBusMessage>
#include <QtTest>

#include "app/main_window.h"
#include "platform/settings_store.h"
#include "support/app_test_support.h"
#include "support/qt_test_main.h"

using namespace nummora;
using namespace nummora::test;

// The org.freedesktop.Notifications service, recording what it is asked to show.
class FakeNotificationServer : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
 public:
  struct Shown {
    uint id;
    QString summary;
    QStringList actions;
  };
  std::vector<Shown> shown;
  uint nextId = 41;

 public slots:
  uint Notify(const QString&, uint replacesId, const QString&, const QString& summary, const QString&,
              const QStringList& actions, const QVariantMap&, int) {
    const uint id = replacesId ? replacesId : ++nextId;
    shown.push_back({id, summary, actions});
    return id;
  }
  QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
};

class TestNotificationClick : public QObject {
  Q_OBJECT

  static void Invoke(QDBusConnection& bus, uint id, const QString& action) {
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                     QStringLiteral("org.freedesktop.Notifications"),
                                                     QStringLiteral("ActionInvoked"));
    signal << id << action;
    QVERIFY(bus.send(signal));
  }

 private slots:
  void clickOnNotificationBringsTheWindowForward() {
    if (!QDBusConnection::sessionBus().isConnected()) QSKIP("no session bus (run under dbus-run-session)");
    QDBusConnection server =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("server"));
    FakeNotificationServer fake;
    QVERIFY(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &fake,
                                  QDBusConnection::ExportAllSlots));
    QVERIFY(server.registerService(QStringLiteral("org.freedesktop.Notifications")));

    TempHome home;
    SettingsStore store(home.Path().toStdString() + "/settings.db");
    RecordingBoxes boxes;
    MainWindowSetup setup;
    setup.store = &store;
    setup.profileName = "alice";
    setup.boxes = &boxes;  // no notifier: the window's own tray, here without a tray
    MainWindow window(std::move(setup));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The window carries the program's own icon, built into the program.
    QVERIFY(!window.windowIcon().pixmap(48, 48).isNull());
    QCOMPARE(window.windowIcon().availableSizes().size(), 6);  // 16 to 64 pixels
    window.showMinimized();
    QTRY_VERIFY(window.isMinimized());

    window.Notify(NotifyKind::Information, "Balance changed", false, "Current balance of 1001001 is $8530");
    QTRY_COMPARE(int(fake.shown.size()), 1);
    QCOMPARE(fake.shown[0].summary, QStringLiteral("Balance changed"));
    QVERIFY(fake.shown[0].actions.contains(QStringLiteral("default")));
    QTest::qWait(100);  // the server's answer (the id) has to arrive first

    // Another program's notification, or another action of ours, changes nothing.
    Invoke(server, fake.shown[0].id + 100, QStringLiteral("default"));
    Invoke(server, fake.shown[0].id, QStringLiteral("dismiss"));
    QTest::qWait(200);
    QVERIFY(window.isMinimized());

    Invoke(server, fake.shown[0].id, QStringLiteral("default"));
    QTRY_VERIFY(!window.isMinimized());
    QVERIFY(window.isVisible());
    window.close();
  }
};

NUMMORA_QTEST_MAIN(TestNotificationClick)
#include "test_notification_click.moc"
