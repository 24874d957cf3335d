// The global hotkeys on a real X server (run_under_xvfb.sh): the default hotkeys are grabbed
// when the preferences are loaded, a key press sent with xdotool updates all balances or opens
// the payment dialog, with and without Caps Lock, and a key another client holds is refused
// with "Hotkey error".
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "preferences/hotkey_manager.h"
#include "preferences/preferences_dialog.h"
#include "support/main_window_fixture.h"
#include "support/qt_test_main.h"

// After Qt: the X11 macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace nummora;
using namespace nummora::test;

namespace {

void Press(const char* keys) {
  QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(keys)}),
           0);
}

// A window over two accounts whose refreshes end at once, with the preferences loaded twice:
// the first load of a new profile writes the defaults, the second registers them.
std::unique_ptr<MainWindow> OpenWithHotkeys(MainWindowFixture& f) {
  auto w = f.Open(f.WriteProfile({MakeAccount(0, "One", "1001"), MakeAccount(0, "Two", "1002")}));
  MainWindow* window = w.get();
  QObject::connect(window, &MainWindow::BalanceRequested, window, [window](int position) {
    QTimer::singleShot(0, window, [window, position] { window->EndRefresh(position); });
  });
  w->CreatePreferences(nullptr, "/usr/bin/nummora");
  w->Preferences()->LoadAndApply();
  return w;
}

}  // namespace

class TestHotkeys : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) QSKIP("needs X11 (run_under_xvfb.sh)");
  }

  void pressesReachTheMainWindow() {
    MainWindowFixture f;
    auto w = OpenWithHotkeys(f);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QCOMPARE(w->Hotkeys()->Registered(), (std::vector<int>{24641, 24659}));
    QVERIFY2(f.boxes.shown.empty(), qPrintable(f.boxes.LastText()));
    RecordingWindowServices services;
    w->AttachServices(services);
    const auto opened = [&services] { return int(services.opened.size()); };
    QSignalSpy refreshes(w.get(), &MainWindow::BalanceRequested);

    Press("ctrl+shift+a");
    QTRY_COMPARE(refreshes.count(), 2);
    QCOMPARE(opened(), 0);
    Press("ctrl+shift+s");
    QTRY_COMPARE(opened(), 1);

    // Caps Lock on: the same keys still reach the program.
    Press("Caps_Lock");
    Press("ctrl+shift+a");
    QTRY_COMPARE(refreshes.count(), 4);
    Press("Caps_Lock");

    // After "remove all" nothing is grabbed: another client may take the keys.
    w->Hotkeys()->RemoveAll();
    Display* other = XOpenDisplay(nullptr);
    QVERIFY(other);
    XGrabKey(other, XKeysymToKeycode(other, XK_a), ShiftMask | ControlMask, DefaultRootWindow(other), True,
             GrabModeAsync, GrabModeAsync);
    XSync(other, False);
    Press("ctrl+shift+a");
    // The key goes to the client that holds it now; by then it has passed this window by.
    QTRY_VERIFY(XPending(other) > 0);
    QCoreApplication::processEvents();
    QCOMPARE(refreshes.count(), 4);
    XCloseDisplay(other);
  }

  void aKeyHeldByAnotherClientIsRefused() {
    Display* other = XOpenDisplay(nullptr);
    QVERIFY(other);
    XGrabKey(other, XKeysymToKeycode(other, XK_a), ShiftMask | ControlMask | Mod2Mask,
             DefaultRootWindow(other), True, GrabModeAsync, GrabModeAsync);
    XSync(other, False);
    MainWindowFixture f;
    auto w = OpenWithHotkeys(f);
    XCloseDisplay(other);
    QCOMPARE(w->Hotkeys()->Registered(), std::vector<int>{24659});
    QCOMPARE(int(f.notifier.balloons.size()), 1);
    QCOMPARE(f.notifier.balloons[0].kind, NotifyKind::Error);
    QCOMPARE(f.notifier.balloons[0].title, QStringLiteral("Hotkey error"));
    QCOMPARE(f.notifier.balloons[0].text, QStringLiteral("Could not set Ctrl+Shift+A as a hotkey"));
  }
};

NUMMORA_QTEST_MAIN(TestHotkeys)
#include "test_hotkeys.moc"
