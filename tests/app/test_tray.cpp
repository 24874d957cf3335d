// The tray menu and the hidden marker: the first item's caption follows the marker, the other
// items run the main window's commands; without a tray the window is never hidden.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QtTest>

#include "app/tray.h"
#include "support/main_window_fixture.h"

using namespace nummora;
using namespace nummora::test;

class TestTray : public QObject {
  Q_OBJECT
 private slots:
  void menuFollowsTheMarker() {
    bool hidden = false;
    TTray tray([&hidden] { return hidden; });
    QAction spend("spend");
    QAction updateAll("all");
    tray.SetMenuActions(&spend, &updateAll);
    QMenu* menu = tray.Menu();
    const QList<QAction*> items = menu->actions();
    QCOMPARE(items.size(), 6);
    QVERIFY(items[1]->isSeparator() && items[4]->isSeparator());
    QCOMPARE(menu->defaultAction(), items[0]);
    QVERIFY(items[0]->font().bold());
    emit menu->aboutToShow();
    QCOMPARE(items[0]->text(), QStringLiteral("&Minimize to tray"));
    hidden = true;
    emit menu->aboutToShow();
    QCOMPARE(items[0]->text(), QStringLiteral("&Show main form"));
    QCOMPARE(items[2]->text(), QStringLiteral("&Spend..."));
    QCOMPARE(items[3]->text(), QStringLiteral("&Update all balances"));
    QCOMPARE(items[5]->text(), QStringLiteral("&Exit"));

    QSignalSpy toggled(&tray, &TTray::ToggleRequested);
    QSignalSpy exit(&tray, &TTray::ExitRequested);
    QSignalSpy spent(&spend, &QAction::triggered);
    QSignalSpy all(&updateAll, &QAction::triggered);
    for (QAction* item : items) item->trigger();
    QCOMPARE(toggled.count(), 1);
    QCOMPARE(spent.count(), 1);
    QCOMPARE(all.count(), 1);
    QCOMPARE(exit.count(), 1);
    // Spend is offered only when the command is.
    spend.setEnabled(false);
    emit menu->aboutToShow();
    QVERIFY(!items[2]->isEnabled());
  }

  void lateTrayIsPickedUp() {
    // Needs an X display: run under xvfb-run with QT_QPA_PLATFORM=xcb; trayer provides the tray.
    if (QGuiApplication::platformName() != "xcb") QSKIP("needs an X server");
    const QString trayer = QStandardPaths::findExecutable("trayer");
    if (trayer.isEmpty()) QSKIP("trayer is not installed");
    if (QSystemTrayIcon::isSystemTrayAvailable()) QSKIP("a tray runs already");
    TTray tray([] { return false; });
    tray.Reveal();
    QVERIFY(!tray.CanHideToTray());
    QProcess panel;
    panel.start(trayer, {"--edge", "top", "--widthtype", "pixel", "--width", "200", "--height", "24"});
    QVERIFY(panel.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(tray.CanHideToTray(), 20000);
    tray.ShowBalloon(NotifyKind::Information, "Balance changed", "U1: $10", 1000);
    panel.kill();
    panel.waitForFinished();
  }

  void minimiseHidesIntoTheTray() {
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile({}));
    w->show();
    w->showMinimized();
    if (!w->isMinimized()) QSKIP("this platform plugin does not minimise windows");
    QTRY_VERIFY(Access::HiddenInTray(*w));
    QVERIFY(!w->isVisible());
    Access::ShowFromTray(*w);
    QVERIFY(w->isVisible());
    QVERIFY(!w->isMinimized());
    QVERIFY(!Access::HiddenInTray(*w));
  }

  void withoutATrayNothingHides() {
    // The real tray: this platform has none, so balloons go to desktop notifications and the
    // window stays where the user can reach it.
    MainWindowFixture f;
    TMainWindowSetup setup;
    setup.store = f.store.get();
    setup.storeFile = f.storeFile;
    setup.profileName = MainWindowFixture::kProfile;
    setup.profilePassword = MainWindowFixture::kPassword;
    setup.profileText = f.WriteProfile({});
    setup.boxes = &f.boxes;
    TNummora w(setup);
    w.show();
    Access::HideToTray(w);
    QVERIFY(w.isVisible());
    w.showMinimized();
    QTest::qWait(20);
    QVERIFY(!Access::HiddenInTray(w));
    w.Notify(NotifyKind::Information, "Balance changed", true,
             "shown as a notification");  // minimised: no box
    QVERIFY(f.boxes.shown.empty());
    QCOMPARE(w.findChild<QLabel*>("StatusHint")->text(), QStringLiteral("shown as a notification"));
  }
};

QTEST_MAIN(TestTray)
#include "test_tray.moc"
