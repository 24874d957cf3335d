// The program's run as main() drives it: a cancelled login ends it without a main window; a
// login opens the main window, listening for second instances, and closing it saves the
// profile and ends the run, releasing the instance lock.
#include <sys/prctl.h>

#include <QDBusConnection>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryFile>
#include <QThread>
#include <QtTest>
#include <csignal>
#include <mutex>

#include "app/application.h"
#include "app/instance_lock.h"
#include "app/main_window.h"
#include "app/session_end_report.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "platform/settings_store.h"
#include "profile/document.h"
#include "profile/login_dialog.h"
#include "profile/login_flow.h"
#include "profile/profile_file.h"
#include "profile/profile_open.h"
#include "profile/profile_settings.h"
#include "support/app_test_support.h"
#include "support/main_window_access.h"
#include "support/qt_test_main.h"
#include "ui/events_window.h"

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
// The desktop's notification service, on a connection of its own, answering from a thread of its
// own (the program waits for the answer on the main thread).
class FakeNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  QStringList Received() {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
  }

 public slots:
  uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
              const QStringList&, const QVariantMap& hints, int) {
    std::lock_guard<std::mutex> lock(mutex_);
    received_ << summary + "|" + body + "|" + QString::number(hints.value("urgency").toInt());
    return 1;
  }

 private:
  std::mutex mutex_;
  QStringList received_;
};

// FakeNotifications registered on the session bus, from a thread of its own, for one test.
class NotificationService {
 public:
  NotificationService() {
    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (bus.isEmpty()) return;
    service_.moveToThread(&thread_);
    thread_.start();
    connection_ = QDBusConnection::connectToBus(QString::fromLatin1(bus), "notifications");
    available_ = connection_.registerObject("/org/freedesktop/Notifications", &service_,
                                            QDBusConnection::ExportAllSlots) &&
                 connection_.registerService("org.freedesktop.Notifications");
  }
  ~NotificationService() {
    connection_.unregisterService("org.freedesktop.Notifications");
    connection_.unregisterObject("/org/freedesktop/Notifications");
    QDBusConnection::disconnectFromBus("notifications");
    thread_.quit();
    thread_.wait();
  }
  bool Available() const { return available_; }
  QStringList Received() { return service_.Received(); }

 private:
  QThread thread_;
  FakeNotifications service_;
  QDBusConnection connection_{QString()};
  bool available_ = false;
};

// A session bus of the test's own (dbus-daemon), set before anything connects to one. It ends
// with the test, also when the test is killed.
QProcess* StartPrivateSessionBus() {
  auto* daemon = new QProcess;
  daemon->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
  daemon->start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
  if (!daemon->waitForStarted(5000) || !daemon->waitForReadyRead(5000)) return daemon;
  qputenv("DBUS_SESSION_BUS_ADDRESS", daemon->readLine().trimmed());
  return daemon;
}
}  // namespace

class TestStartup : public QObject {
  Q_OBJECT
 private slots:
  void cancelledLoginEndsWithoutAWindow() {
    TempHome home;
    WhenShown<LoginDialog>([](LoginDialog& login) { QTest::keyClick(&login, Qt::Key_Escape); });
    const int code = RunNummora(*static_cast<NummoraApplication*>(qApp), std::nullopt);
    QCOMPARE(code, 0);
    QVERIFY(TopLevel<MainWindow>() == nullptr);
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
    WhenShown<LoginDialog>([](LoginDialog& login) {
      login.findChild<QLineEdit*>("ePassword")->setText("secret");
      QTest::mouseClick(login.findChild<QPushButton*>("bOK"), Qt::LeftButton);
    });
    WhenShown<MainWindow>([&](MainWindow& w) {
      listened = RunningWindowAnswers(socket, 500);
      title = w.windowTitle();
      MainWindowTestAccess::Model(w).Contacts().push_back({"Bob", "", "U42", "", ""});
      w.close();
    });
    const int code = RunNummora(*static_cast<NummoraApplication*>(qApp), std::string("nmr://ab"));
    QCOMPARE(code, 0);
    QVERIFY(listened);
    QCOMPARE(title, QStringLiteral("Nummora ver 4.4 [alice]"));
    QVERIFY(!RunningWindowAnswers(socket, 200));
    const auto saved = ReadProfileDocument(
        OpenProfileFile(NewProfilePath("alice").string(), "secret").text.str(), UsEnglishFormatSettings());
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
    WhenShown<LoginDialog>([](LoginDialog& login) {
      login.findChild<QLineEdit*>("ePassword")->setText("secret");
      QTest::mouseClick(login.findChild<QPushButton*>("bOK"), Qt::LeftButton);
    });
    WhenShown<MainWindow>([](MainWindow& w) {
      MainWindowTestAccess::Model(w).Contacts().push_back({"Dora", "", "U77", "", ""});
      ::raise(SIGTERM);
    });
    const int code = RunNummora(*static_cast<NummoraApplication*>(qApp), std::nullopt);
    QCOMPARE(code, 0);
    const auto saved = ReadProfileDocument(
        OpenProfileFile(NewProfilePath("carol").string(), "secret").text.str(), UsEnglishFormatSettings());
    QCOMPARE(saved.contacts.size(), size_t(1));
    QCOMPARE(saved.contacts[0].LRID, std::string("U77"));
    // The default action is back once the run has ended.
    struct sigaction current {};
    ::sigaction(SIGTERM, nullptr, &current);
    QVERIFY(current.sa_handler == SIG_DFL);
  }

  // A save that fails as the session ends is told on stderr and in a desktop notification,
  // since the events list goes with the program.
  void failedSessionSaveIsToldOutsideTheProgram() {
    if (qgetenv("DBUS_SESSION_BUS_ADDRESS").isEmpty()) QSKIP("no dbus-daemon");
    NotificationService service;
    QVERIFY(service.Available());

    TempHome home;
    {
      SettingsStore store;
      CreateProfile(store, "erin", "secret", "");
    }
    WhenShown<LoginDialog>([](LoginDialog& login) {
      login.findChild<QLineEdit*>("ePassword")->setText("secret");
      QTest::mouseClick(login.findChild<QPushButton*>("bOK"), Qt::LeftButton);
    });
    const QString missing = home.Path() + "/gone/erin.nmr";
    WhenShown<MainWindow>([&missing](MainWindow&) {
      SettingsStore store;  // the profile's folder has gone away
      store.SetRootKey(RootKey::LocalMachine);
      store.OpenKey(ProfileKeyPath("erin"), false);
      store.WriteString("", missing.toStdString());
      ::raise(SIGTERM);
    });
    QTemporaryFile errors;
    QVERIFY(errors.open());
    const int savedStderr = ::dup(2);
    ::dup2(errors.handle(), 2);
    const int code = RunNummora(*static_cast<NummoraApplication*>(qApp), std::nullopt);
    ::dup2(savedStderr, 2);
    ::close(savedStderr);
    QCOMPARE(code, 0);

    errors.seek(0);
    const QString told = QString::fromLocal8Bit(errors.readAll());
    const QString gone = home.Path() + "/gone";
    QVERIFY2(told.contains(kSessionSaveFailedTitle) && told.contains(gone), qPrintable(told));
    const QStringList received = service.Received();
    QCOMPARE(received.size(), 1);
    QVERIFY2(received[0].startsWith(QString(kSessionSaveFailedTitle) + "|") && received[0].contains(gone) &&
                 received[0].endsWith("|2"),
             qPrintable(received[0]));
  }

  // A legacy profile opens and is written back in its own format: the run says once, in the
  // events list and as a desktop notice, that it has only the old protection and where to
  // change it. A profile in the strong format gets no such notice.
  void legacyProfileIsNotedAndWrittenBackAsItWas_data() {
    QTest::addColumn<bool>("legacy");
    QTest::newRow("legacy") << true;
    QTest::newRow("strong") << false;
  }
  void legacyProfileIsNotedAndWrittenBackAsItWas() {
    QFETCH(bool, legacy);
    if (qgetenv("DBUS_SESSION_BUS_ADDRESS").isEmpty()) QSKIP("no dbus-daemon");
    NotificationService service;
    QVERIFY(service.Available());
    TempHome home;
    {
      SettingsStore store;
      CreateProfile(store, "dave", "secret", "", legacy ? ProfileFormat::kLegacy : ProfileFormat::kStrong);
    }
    WhenShown<LoginDialog>([](LoginDialog& login) {
      login.findChild<QLineEdit*>("ePassword")->setText("secret");
      QTest::mouseClick(login.findChild<QPushButton*>("bOK"), Qt::LeftButton);
    });
    QString events;
    WhenShown<MainWindow>([&events](MainWindow& w) {
      events = w.Events()->Text();
      MainWindowTestAccess::Model(w).Contacts().push_back({"Eve", "", "U5", "", ""});
      w.close();
    });
    QCOMPARE(RunNummora(*static_cast<NummoraApplication*>(qApp), std::nullopt), 0);

    const QString notice = "This profile has only the old 40-bit protection";
    QCOMPARE(events.count(notice), legacy ? 1 : 0);
    if (legacy) QTRY_VERIFY(!service.Received().isEmpty());
    QCOMPARE(service.Received().filter("Profile protection|" + notice).size(), legacy ? 1 : 0);
    const std::string path = NewProfilePath("dave").string();
    QCOMPARE(IsStrongProfileFile(ReadProfileFileBytes(path)), !legacy);
    ProfileOpenResult saved = OpenProfileFile(path, "secret");
    QCOMPARE(int(saved.key.Format()), int(legacy ? ProfileFormat::kLegacy : ProfileFormat::kStrong));
    QCOMPARE(ReadProfileDocument(saved.text.str(), UsEnglishFormatSettings()).contacts.size(), size_t(1));
  }
};

int main(int argc, char** argv) {
  std::unique_ptr<QProcess> bus(StartPrivateSessionBus());
  NummoraApplication app(argc, argv);
  NummoraApplication::setQuitOnLastWindowClosed(false);
  TestStartup test;
  const int result = QTest::qExec(&test, argc, argv);
  // A window closed while its directory download ran leaves the download to free itself
  // through the event loop; it must be gone before the leak checker looks.
  if (!nummora::test::DrainWorkers())
    std::fprintf(stderr, "%d worker threads were still running at exit\n", nummora::LiveWorker::Count());
  bus->kill();
  bus->waitForFinished();
  return result;
}
#include "test_startup.moc"
