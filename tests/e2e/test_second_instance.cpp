// Two real processes: this test plays the running instance (lock held, main window listening)
// and starts the nummora program as a second instance, with a link and without one.
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include "app/instance_lock.h"
#include "app/main_window_host.h"
#include "payments/payment_dialog.h"
#include "support/main_window_fixture.h"
#include "support/qt_test_main.h"

using namespace nummora;
using namespace nummora::test;

namespace {
QString Program() {
  return QStringLiteral(NUMMORA_BUILD_DIR "/src/nummora");
}
}  // namespace

class TestSingleInstanceProcesses : public QObject {
  Q_OBJECT

  // Runs the program as a second instance with the test's environment; its exit code.
  static int RunSecond(const QStringList& args) {
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    second.setProcessEnvironment(env);
    second.start(Program(), args);
    if (!second.waitForStarted(10000)) return -1;
    // The event loop keeps running so that this instance's window takes the messages.
    QElapsedTimer waited;
    waited.start();
    while (second.state() != QProcess::NotRunning && waited.elapsed() < 30000) QTest::qWait(20);
    if (second.state() != QProcess::NotRunning) {
      second.kill();
      second.waitForFinished();
      return -3;
    }
    return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -2;
  }

  std::unique_ptr<MainWindow> OpenRunningInstance(MainWindowFixture& f) {
    MainWindowSetup setup;
    setup.store = f.store.get();
    setup.storeFile = f.storeFile;
    setup.profileName = MainWindowFixture::kProfile;
    setup.profileKey = MainWindowFixture::Key();
    setup.profileText = f.WriteProfile({MakeAccount(1, "", "U1")});
    setup.clock = &f.clock;
    setup.boxes = &f.boxes;
    setup.notifier = &f.notifier;
    setup.instanceSocket = QString::fromStdString(InstanceSocketPath().string());
    return std::make_unique<MainWindow>(std::move(setup));
  }

 private slots:
  void initTestCase() {
    if (!QFileInfo::exists(Program())) QSKIP("the nummora program is not built");
  }

  void secondInstanceHandsOverALink() {
    MainWindowFixture f;
    // The second instance uses the default store of its NUMMORA_HOME: so does this one.
    f.storeFile = SettingsStore::DefaultFile();
    f.store = std::make_unique<SettingsStore>(f.storeFile);
    f.store->SetRootKey(RootKey::LocalMachine);
    f.store->OpenKey(ProfileKeyPath(MainWindowFixture::kProfile), true);
    f.store->WriteString("", f.dataFile);
    InstanceLock lock;
    QVERIFY(lock.Acquire(InstanceLockPath()));
    auto w = OpenRunningInstance(f);
    InstallNetworkWorkers(*w, &f.clock);
    w->show();
    Access::HideToTray(*w);
    QVERIFY(Access::HiddenInTray(*w));
    QSignalSpy links(w.get(), &MainWindow::PaymentLinkOpened);

    QCOMPARE(RunSecond({"nmr://payto=U1234567&amount=10/", "ignored"}), 0);
    QTRY_COMPARE(links.count(), 1);
    const auto fields = links.at(0).at(0).value<PaymentLinkFields>();
    QCOMPARE(fields.payto, std::string("U1234567"));
    QVERIFY(fields.paytoIsLibertyReserve);
    QCOMPARE(fields.amount, std::string("10"));
    QVERIFY(!Access::HiddenInTray(*w));
    QVERIFY(w->isVisible());
    // The running instance shows a payment dialog filled from the link.
    const auto dialogs = w->findChildren<PaymentDialog*>();
    QCOMPARE(dialogs.size(), 1);
    QVERIFY(dialogs[0]->isVisible());
    QCOMPARE(dialogs[0]->findChild<QLineEdit*>("eLRRecipient")->text(), QStringLiteral("U1234567"));
    QCOMPARE(dialogs[0]->findChild<QLineEdit*>("eLRAmount")->text(), QStringLiteral("10"));
    QCOMPARE(dialogs[0]->findChild<QComboBox*>("eSource")->currentText(), QStringLiteral("U1"));
    SettingsStore check(f.storeFile);
    check.SetRootKey(RootKey::ClassesRoot);
    QVERIFY(check.OpenKey("\\NMR", false));
    QVERIFY(!check.ValueExists("URL"));
    // The second instance registered the scheme with its own path.
    QVERIFY(check.OpenKey("\\NMR\\DefaultIcon", false));
    QCOMPARE(QString::fromStdString(check.ReadString("")), QFileInfo(Program()).canonicalFilePath());

    // Without a link: the window comes to the front out of the tray, no payment form opens.
    Access::HideToTray(*w);
    QCOMPARE(RunSecond({}), 0);
    QTRY_VERIFY(!Access::HiddenInTray(*w));
    QTest::qWait(100);
    QCOMPARE(links.count(), 1);
  }
};

Q_DECLARE_METATYPE(nummora::PaymentLinkFields)
NUMMORA_QTEST_MAIN(TestSingleInstanceProcesses)
#include "test_second_instance.moc"
