// The tray on a real X server (tests/gui/run_with_tray.sh runs this program twice, without and
// with a tray): the menu follows the hidden marker and runs the main window's commands; with a
// tray, minimising hides the window into it, a balloon reports a notice and a click on it (or on
// the menu's first item) brings the window back; without one the window never hides, and a tray
// that comes late is picked up.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QtTest>

#include "app/tray.h"
#include "support/main_window_fixture.h"
#include "support/qt_test_main.h"

using namespace nummora;
using namespace nummora::test;

namespace {

// Which run of tests/gui/run_with_tray.sh this is: "none" (no tray) or "trayer".
QString TrayRun() {
  return qEnvironmentVariable("NUMMORA_TRAY_RUN");
}

// A main window with the real tray (no recording notifier).
std::unique_ptr<MainWindow> OpenWithRealTray(MainWindowFixture& f) {
  MainWindowSetup setup;
  setup.store = f.store.get();
  setup.storeFile = f.storeFile;
  setup.profileName = MainWindowFixture::kProfile;
  setup.profileKey = MainWindowFixture::Key();
  setup.profileText = f.WriteProfile({MakeAccount(1, "", "U1")});
  setup.boxes = &f.boxes;
  return std::make_unique<MainWindow>(std::move(setup));
}

template <typename T>
T* TopLevel(const char* className, const QString& objectName = QString()) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->inherits(className) && (objectName.isEmpty() || w->objectName() == objectName))
      return qobject_cast<T*>(w);
  }
  return nullptr;
}

}  // namespace

class TestTray : public QObject {
  Q_OBJECT
 private slots:
  void menuFollowsTheMarker() {
    bool hidden = false;
    Tray tray([&hidden] { return hidden; });
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

    QSignalSpy toggled(&tray, &Tray::ToggleRequested);
    QSignalSpy exit(&tray, &Tray::ExitRequested);
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

  void minimiseHidesIntoTheTrayAndComesBack() {
    if (TrayRun() != "trayer") QSKIP("needs the run with a tray");
    MainWindowFixture f;
    auto w = OpenWithRealTray(f);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QVERIFY(QSystemTrayIcon::isSystemTrayAvailable());

    w->showMinimized();
    QTRY_VERIFY(Access::HiddenInTray(*w));
    QVERIFY(!w->isVisible());

    // The menu's first item offers the way back and takes it.
    auto* menu = TopLevel<QMenu>("QMenu", QStringLiteral("TrayMenu"));
    QVERIFY(menu);
    emit menu->aboutToShow();
    QAction* toggle = menu->actions().at(0);
    QCOMPARE(toggle->text(), QStringLiteral("&Show main form"));
    toggle->trigger();
    QVERIFY(w->isVisible());
    QVERIFY(!w->isMinimized());
    QVERIFY(!Access::HiddenInTray(*w));
    emit menu->aboutToShow();
    QCOMPARE(toggle->text(), QStringLiteral("&Minimize to tray"));
  }

  void balloonWhileHiddenAndItsClick() {
    if (TrayRun() != "trayer") QSKIP("needs the run with a tray");
    MainWindowFixture f;
    auto w = OpenWithRealTray(f);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    Access::HideToTray(*w);
    QVERIFY(Access::HiddenInTray(*w));

    // Hidden: the dialog flag does not matter, the notice is a balloon and status panel 2.
    w->Notify(NotifyKind::Information, "Balance changed", true, "Current balance of U1 is $10");
    QVERIFY(f.boxes.shown.empty());
    QCOMPARE(w->findChild<QLabel*>("StatusHint")->text(), QStringLiteral("Current balance of U1 is $10"));
    QWidget* balloon = nullptr;
    QTRY_VERIFY((balloon = TopLevel<QWidget>("QBalloonTip")) && balloon->isVisible());
    QTest::mouseClick(balloon, Qt::LeftButton, {}, balloon->rect().center());
    QTRY_VERIFY(w->isVisible());
    QVERIFY(!Access::HiddenInTray(*w));
  }

  void withoutATrayNothingHides() {
    if (TrayRun() != "none") QSKIP("needs the run without a tray");
    MainWindowFixture f;
    auto w = OpenWithRealTray(f);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    Access::HideToTray(*w);
    QVERIFY(w->isVisible());
    QVERIFY(!Access::HiddenInTray(*w));
    // Minimised (as far as this window knows), the notice is no box: it goes to the desktop's
    // notifications and status panel 2, and the window stays where the user can reach it.
    w->setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();  // the hide into the tray would be queued
    QVERIFY(!Access::HiddenInTray(*w));
    w->Notify(NotifyKind::Information, "Balance changed", true, "shown as a notification");
    QVERIFY(f.boxes.shown.empty());
    QCOMPARE(w->findChild<QLabel*>("StatusHint")->text(), QStringLiteral("shown as a notification"));
  }

  // Last in the run without a tray: it starts one of its own.
  void lateTrayIsPickedUp() {
    if (TrayRun() != "none") QSKIP("needs the run without a tray");
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    Tray tray([] { return false; });
    tray.Reveal();
    QVERIFY(!tray.CanHideToTray());
    QProcess panel;
    panel.start(QStandardPaths::findExecutable("trayer"),
                {"--edge", "top", "--widthtype", "pixel", "--width", "200", "--height", "24"});
    QVERIFY(panel.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(tray.CanHideToTray(), 20000);
    panel.kill();
    panel.waitForFinished();
  }
};

NUMMORA_QTEST_MAIN(TestTray)
#include "test_tray.moc"
