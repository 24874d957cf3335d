// The program's run as main() drives it: a cancelled login ends it without a main window; a
// login opens the main window, listening for second instances, and closing it saves the
// profile and ends the run, releasing the instance lock.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <csignal>

#include "app/application.h"
#include "app/instance_lock.h"
#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "platform/settings_store.h"
#include "profile/document.h"
#include "profile/login_dialog.h"
#include "profile/login_flow.h"
#include "profile/profile_file.h"
#include "support/app_test_support.h"
#include "support/main_window_access.h"

using namespace nummora;
using namespace nummora::test;

namespace {
template <typename T>
T* TopLevel() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* t = qobject_cast<T*>(w); t && t->isVisible()) return t;
  return nullptr;
}

// Calls `step` once the wanted window is showing (polled from the event loop).
template <typename T>
void WhenShown(std::function<void(T&)> step) {
  auto* poll = new QTimer;
  poll->setInterval(20);
  QObject::connect(poll, &QTimer::timeout, [poll, step] {
    if (T* w = TopLevel<T>()) {
      poll->stop();
      poll->deleteLater();
      step(*w);
    }
  });
  poll->start();
}
}  // namespace

class TestStartup : public QObject {
  Q_OBJECT
 private slots:
  void cancelledLoginEndsWithoutAWindow() {
    TempHome home;
    WhenShown<TfLogin>([](TfLogin& login) { QTest::keyClick(&login, Qt::Key_Escape); });
    const int code = RunNummora(*static_cast<TNummoraApplication*>(qApp), std::nullopt);
    QCOMPARE(code, 0);
    QVERIFY(TopLevel<TNummora>() == nullptr);
    // The scheme was registered on the way, and the lock is free again.
    SettingsStore store;
    store.SetRootKey(RootKey::ClassesRoot);
    QVERIFY(store.KeyExists("\\NMR\\DefaultIcon"));
    InstanceLock lock;
    QVERIFY(lock.Acquire(InstanceLockPath()));
  }

  void loginOpensTheMainWindowAndCloseSaves() {
    TempHome home;
    {
      SettingsStore store;
      CreateProfile(store, "alice", "secret", "");
    }
    const QString socket = QString::fromStdString(InstanceSocketPath().string());
    bool listened = false;
    QString title;
    WhenShown<TfLogin>([](TfLogin& login) {
      login.findChild<QLineEdit*>("ePassword")->setText("secret");
      QTest::mouseClick(login.findChild<QPushButton*>("bOK"), Qt::LeftButton);
    });
    WhenShown<TNummora>([&](TNummora& w) {
      listened = RunningWindowAnswers(socket, 500);
      title = w.windowTitle();
      TNummoraTestAccess::Model(w).Contacts().push_back({"Bob", "", "U42", "", ""});
      w.close();
    });
    const int code = RunNummora(*static_cast<TNummoraApplication*>(qApp), std::string("nmr://ab"));
    QCOMPARE(code, 0);
    QVERIFY(listened);
    QCOMPARE(title, QStringLiteral("Nummora ver 4.4 [alice]"));
    QVERIFY(!RunningWindowAnswers(socket, 200));
    const auto saved = ReadProfileDocument(DecipherFile(NewProfilePath("alice").string(), "secret"),
                                           UsEnglishFormatSettings());
    QCOMPARE(saved.contacts.size(), size_t(1));
    QCOMPARE(saved.contacts[0].LRID, std::string("U42"));
  }

  // A program ended by SIGTERM (a kill, or a logout without a session manager) must not lose
  // the run's changes: it saves like a session end and ends the run normally.
  void terminationSignalSavesAndEnds() {
    TempHome home;
    {
      SettingsStore store;
      CreateProfile(store, "carol", "secret", "");
    }
    WhenShown<TfLogin>([](TfLogin& login) {
      login.findChild<QLineEdit*>("ePassword")->setText("secret");
      QTest::mouseClick(login.findChild<QPushButton*>("bOK"), Qt::LeftButton);
    });
    WhenShown<TNummora>([](TNummora& w) {
      TNummoraTestAccess::Model(w).Contacts().push_back({"Dora", "", "U77", "", ""});
      ::raise(SIGTERM);
    });
    const int code = RunNummora(*static_cast<TNummoraApplication*>(qApp), std::nullopt);
    QCOMPARE(code, 0);
    const auto saved = ReadProfileDocument(DecipherFile(NewProfilePath("carol").string(), "secret"),
                                           UsEnglishFormatSettings());
    QCOMPARE(saved.contacts.size(), size_t(1));
    QCOMPARE(saved.contacts[0].LRID, std::string("U77"));
    // The default action is back once the run has ended.
    struct sigaction current {};
    ::sigaction(SIGTERM, nullptr, &current);
    QVERIFY(current.sa_handler == SIG_DFL);
  }
};

int main(int argc, char** argv) {
  TNummoraApplication app(argc, argv);
  TNummoraApplication::setQuitOnLastWindowClosed(false);
  TestStartup test;
  return QTest::qExec(&test, argc, argv);
}
#include "test_startup.moc"
