// The single-instance layer: the lock file, the message framing, the local server and the
// hand-over of a second instance, and the registration of the link scheme.
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QtTest>
#include <fstream>
#include <vector>

#include "app/instance_lock.h"
#include "app/instance_messages.h"
#include "app/scheme_registration.h"
#include "app/single_instance.h"
#include "desktop/link_handler.h"
#include "platform/settings_store.h"
#include "support/app_test_support.h"
#include "support/qt_test_main.h"

using namespace nummora;
using namespace nummora::test;

class TestSingleInstance : public QObject {
  Q_OBJECT
 private slots:
  void lockIsExclusiveAndRecoversFromACrash() {
    TempHome home;
    const auto path = InstanceLockPath();
    QCOMPARE(QString::fromStdString(path.parent_path().string()), home.Root());
    {
      // A lock file left behind by a process that is gone holds no lock.
      std::ofstream stale(path);
      stale << "left over";
    }
    InstanceLock first;
    QVERIFY(first.Acquire(path));
    QVERIFY(!first.HeldElsewhere());
    InstanceLock second;
    QVERIFY(!second.Acquire(path));
    QVERIFY(second.HeldElsewhere());
    first.Release();
    QVERIFY(second.Acquire(path));
    QVERIFY(!second.HeldElsewhere());
  }

  void framing_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<bool>("broken");
    const QByteArray a = QByteArray::fromStdString(EncodeInstanceMessage(10101));
    const QByteArray b = QByteArray::fromStdString(EncodeInstanceMessage(10100));
    QTest::newRow("two messages") << a + b << QList<int>{10101, 10100} << false;
    QTest::newRow("partial second") << a + b.left(6) << QList<int>{10101} << false;
    QTest::newRow("zero length") << QByteArray("\0\0\0\0", 4) << QList<int>{} << true;
    QTest::newRow("too long") << QByteArray(
                                     "\0\0\0\x0b"
                                     "12345678901",
                                     15)
                              << QList<int>{} << true;
    QTest::newRow("not digits") << QByteArray(
                                       "\0\0\0\x02"
                                       "1x",
                                       6)
                                << QList<int>{} << true;
    QTest::newRow("message then garbage")
        << a + QByteArray("\xff\xff\xff\xff", 4) << QList<int>{10101} << true;
  }
  void framing() {
    QFETCH(QByteArray, bytes);
    QFETCH(QList<int>, numbers);
    QFETCH(bool, broken);
    QCOMPARE(QByteArray::fromStdString(EncodeInstanceMessage(10101)), QByteArray("\0\0\0\x05"
                                                                                 "10101",
                                                                                 9));
    // Fed one byte at a time, as a socket may deliver it.
    InstanceMessageReader reader;
    for (char c : bytes) reader.Feed(&c, 1);
    QList<int> got;
    int n = 0;
    while (reader.Next(n)) got << n;
    QCOMPARE(got, numbers);
    QCOMPARE(reader.Broken(), broken);
  }

  void handOverSendsFrontThenLink() {
    TempHome home;
    SettingsStore store(home.Path().toStdString() + "/settings.db");
    const QString socket = QString::fromStdString(InstanceSocketPath().string());
    InstanceServer server;
    QVERIFY(server.Listen(socket));
    QVERIFY(RunningWindowAnswers(socket));
    QSignalSpy messages(&server, &InstanceServer::MessageReceived);
    QVERIFY(HandOverToRunningInstance(socket, std::string("nmr://payto=U1&amount=5"), store));
    QTRY_COMPARE(messages.count(), 2);
    QCOMPARE(messages.at(0).at(0).toInt(), 10101);
    QCOMPARE(messages.at(1).at(0).toInt(), 10100);
    store.SetRootKey(RootKey::ClassesRoot);
    QVERIFY(store.OpenKey("\\NMR", false));
    QCOMPARE(store.ReadString("URL"), std::string("nmr://payto=U1&amount=5"));

    // Without a link only 10101 goes, and the slot is not touched.
    store.DeleteValue("URL");
    QVERIFY(HandOverToRunningInstance(socket, std::nullopt, store));
    QTRY_COMPARE(messages.count(), 3);
    QCOMPARE(messages.at(2).at(0).toInt(), 10101);
    QVERIFY(!messages.wait(200));  // no 10100 follows
    QVERIFY(!store.ValueExists("URL"));

    // Once the window is gone nobody answers and nothing is written.
    server.Stop();
    QVERIFY(!RunningWindowAnswers(socket, 200));
    QVERIFY(!HandOverToRunningInstance(socket, std::string("nmr://payto=U2"), store, 200));
    QVERIFY(!store.ValueExists("URL"));
  }

  // Connections that never speak, or speak without end, cannot crowd out or flood the window.
  void serverBoundsWhatItServes() {
    TempHome home;
    SettingsStore store(home.Path().toStdString() + "/settings.db");
    const std::string path = InstanceSocketPath().string();
    InstanceServer server;
    QVERIFY(server.Listen(QString::fromStdString(path)));
    QSignalSpy messages(&server, &InstanceServer::MessageReceived);
    std::vector<LocalSocket> silent;
    for (int i = 0; i < 40; ++i) silent.push_back(ConnectLocalSocket(path, 1000));
    QTRY_VERIFY(server.ClientCount() > 0);
    QTest::qWait(50);
    QVERIFY(server.ClientCount() <= 8);

    std::string flood;
    for (int i = 0; i < 2000; ++i) flood += EncodeInstanceMessage(10101);
    const LocalSocket talker = ConnectLocalSocket(path, 1000);
    SendLocalSocket(talker, flood, 1000);
    QTest::qWait(200);
    QVERIFY(messages.count() > 0);
    QVERIFY(messages.count() <= 4);

    // A real second instance still gets through.
    messages.clear();
    QVERIFY(HandOverToRunningInstance(QString::fromStdString(path), std::string("nmr://payto=U1"), store));
    QTRY_COMPARE(messages.count(), 2);
  }

  void staleSocketIsReplacedLiveOneIsNot() {
    TempHome home;
    const QString socket = QString::fromStdString(InstanceSocketPath().string());
    {
      // A socket file whose server crashed: the file stays, nobody listens.
      QLocalServer crashed;
      crashed.setSocketOptions(QLocalServer::UserAccessOption);
      QVERIFY(crashed.listen(socket));
      QFile copy(socket);
      QVERIFY(copy.exists());
      crashed.close();
      QVERIFY(!QFile::exists(socket) || !RunningWindowAnswers(socket, 100));
    }
    // Recreate a dead socket file by hand with a bound but closed server.
    InstanceServer live;
    QVERIFY(live.Listen(socket));
    InstanceServer intruder;
    QVERIFY(!intruder.Listen(socket));
    QVERIFY(RunningWindowAnswers(socket));
    QCOMPARE(QFileInfo(socket).permissions() & (QFile::ReadOther | QFile::WriteOther), QFile::Permissions());
  }

  void schemeRegistrationWritesOnce() {
    TempHome home;
    SettingsStore store(home.Path().toStdString() + "/settings.db");
    QVERIFY(RegisterSchemeEntries(store, "/opt/nummora/nummora"));
    QCOMPARE(store.GetRootKey(), RootKey::LocalMachine);
    SettingsStore check(home.Path().toStdString() + "/settings.db");
    check.SetRootKey(RootKey::ClassesRoot);
    QVERIFY(check.OpenKey("\\NMR", false));
    QCOMPARE(check.ReadString(""), std::string("URL:Nummora protocol"));
    QVERIFY(check.ValueExists("URL Protocol"));
    QCOMPARE(check.ReadString("URL Protocol"), std::string());
    QVERIFY(check.OpenKey("\\NMR\\DefaultIcon", false));
    QCOMPARE(check.ReadString(""), std::string("/opt/nummora/nummora"));
    QVERIFY(check.OpenKey("\\nmr\\shell\\open\\command", false));
    QCOMPARE(check.ReadString(""), std::string("/opt/nummora/nummora %1"));
    // A second start, even from elsewhere, rewrites nothing.
    QVERIFY(!RegisterSchemeEntries(store, "/elsewhere/nummora"));
    QVERIFY(check.OpenKey("\\NMR\\DefaultIcon", false));
    QCOMPARE(check.ReadString(""), std::string("/opt/nummora/nummora"));
  }

  void desktopEntryInstalledForTheUserOnce() {
    TempHome home;
    QVERIFY(InstallSchemeHandler("/opt/my apps/nummora"));
    const QString entry = home.Path() + "/applications/nummora-nmr.desktop";
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("MimeType=x-scheme-handler/nmr;"));
    QVERIFY(text.contains("Exec=\"/opt/my apps/nummora\" %u"));
    QFile list(home.Path() + "/mimeapps.list");
    QVERIFY(list.open(QIODevice::ReadOnly));
    QCOMPARE(list.readAll(),
             QByteArray("[Default Applications]\nx-scheme-handler/nmr=nummora-nmr.desktop\n"));
    // Registered already: nothing is written again.
    QVERIFY(!InstallSchemeHandler("/opt/my apps/nummora"));
  }
};

NUMMORA_QTEST_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
