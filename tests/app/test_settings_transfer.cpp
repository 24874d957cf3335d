// Export and import of settings through the main window's commands, between two profiles:
// accounts, preferences and the address book go over; existing accounts are asked about; the
// imported accounts are refreshed; the file is private and a failed write is told.
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "preferences/import_dialog.h"
#include "preferences/preferences_dialog.h"
#include "support/app_test_support.h"
#include "support/main_window_fixture.h"
#include "support/qt_test_main.h"

using namespace nummora;
using namespace nummora::test;

namespace {

void TickAll(QListWidget* list) {
  for (int i = 0; i < list->count(); ++i) list->item(i)->setCheckState(Qt::Checked);
}

template <typename T>
T* Child(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(QString::fromLatin1(name));
  if (!child) qFatal("no child %s", name);
  return child;
}

}  // namespace

class TestSettingsTransfer : public QObject {
  Q_OBJECT

 private slots:
  void roundTripBetweenTwoProfiles() {
    MainWindowFixture alice;
    TAccount main = MakeAccount(0, "Main", "1001");
    main.Password = "secret pass phrase";
    main.Update = true;
    main.Refresh = 15;
    const TAccount lr = MakeAccount(1, "Reserve", "U2002");
    const TAccount savings = MakeAccount(0, "Caf\xE9 = \"savings\"", "3003");
    auto w = alice.Open(alice.WriteProfile({main, lr, savings}));
    w->show();
    Access::Model(*w).AddContact({"Shop", "111", "U222", "m@example", "private note"});
    Access::Model(*w).AddContact({" Blank", "", "U9", "", ""});
    w->CreatePreferences(nullptr, "/usr/bin/nummora");
    TfPreferences* prefs = w->Preferences();
    prefs->show();
    Child<QCheckBox>(prefs, "UseProxy")->setChecked(true);
    Child<QLineEdit>(prefs, "ProxyHost")->setText(QStringLiteral("proxy.example"));
    Child<QLineEdit>(prefs, "ProxyPort")->setText(QStringLiteral("3128"));
    Child<QLineEdit>(prefs, "ProxyPasswd")->setText(QStringLiteral("pw=\"x\""));
    QTest::mouseClick(Child<QPushButton>(prefs, "bOk"), Qt::LeftButton);

    const QString file = alice.home.Root() + QStringLiteral("/moved.nex");
    // An earlier file there: its keys that the export does not write stay.
    QFile earlier(file);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("[Other]\r\nKeep=me\r\n");
    earlier.close();
    WhenOpen("fExport", [&](QDialog* d) {
      auto* ok = Child<QPushButton>(d, "bOk");
      QVERIFY(!ok->isEnabled());
      QCOMPARE(Child<QListWidget>(d, "chkAccounts")->count(), 3);
      TickAll(Child<QListWidget>(d, "chkAccounts"));
      Child<QCheckBox>(d, "chkSettings")->setChecked(true);
      Child<QCheckBox>(d, "chkAddress")->setChecked(true);
      Child<QLineEdit>(d, "eComment")->setText(QStringLiteral("to bob"));
      QVERIFY(!ok->isEnabled());
      Child<QLineEdit>(d, "iFile")->setText(file);
      QVERIFY(ok->isEnabled());
      QTest::mouseClick(ok, Qt::LeftButton);
    });
    w->Actions().actExport->trigger();
    QCOMPARE(alice.boxes.LastText(), QStringLiteral("Done!"));
    struct stat st {};
    QCOMPARE(::stat(file.toLocal8Bit().constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0600u);
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    QVERIFY(text.contains("[Other]\r\nKeep=me\r\n"));
    QVERIFY(text.contains("Accounts=3\r\n"));
    QVERIFY(!text.contains("secret pass phrase"));
    QVERIFY(!text.contains("private note"));
    w->close();

    // Bob already has account 1001 and says No to overwriting it.
    MainWindowFixture bob;
    TAccount bobs = MakeAccount(0, "Bob's", "1001");
    bobs.Password = "bob phrase";
    auto w2 = bob.Open(bob.WriteProfile({bobs}));
    w2->show();
    w2->CreatePreferences(nullptr, "/usr/bin/nummora");
    bob.boxes.answer = false;
    QSignalSpy refreshes(w2.get(), &TNummora::BalanceRequested);
    WhenOpen("fImport", [&](QDialog* d) {
      QVERIFY(!Child<QPushButton>(d, "bOk")->isEnabled());
      QVERIFY(static_cast<TfImport*>(d)->ChooseFile(file));
      auto* list = Child<QListWidget>(d, "chkAccounts");
      QCOMPARE(list->count(), 3);
      QCOMPARE(list->item(0)->text(), QStringLiteral("Main <1001>"));
      QCOMPARE(Child<QLineEdit>(d, "eComment")->text(), QStringLiteral("to bob"));
      QVERIFY(Child<QCheckBox>(d, "chkSettings")->isEnabled());
      QVERIFY(Child<QCheckBox>(d, "chkAddress")->isEnabled());
      TickAll(list);
      Child<QCheckBox>(d, "chkSettings")->setChecked(true);
      Child<QCheckBox>(d, "chkAddress")->setChecked(true);
      QTest::mouseClick(Child<QPushButton>(d, "bOk"), Qt::LeftButton);
    });
    w2->Actions().actImport->trigger();
    QCOMPARE(bob.boxes.asked, QStringList{QStringLiteral("Do you wish to overwrite account 1001?")});
    QCOMPARE(bob.boxes.LastText(), QStringLiteral("Done!"));
    const ProfileModel& m = w2->Model();
    QCOMPARE(m.AccountCount(), 2);  // the Liberty Reserve account is not imported
    QCOMPARE(m.Account(0).Name, std::string("Bob's"));
    QCOMPARE(m.Account(0).Password, std::string("bob phrase"));
    QCOMPARE(m.Account(1).Name, savings.Name);
    QCOMPARE(m.Account(1).ID, std::string("3003"));
    QCOMPARE(m.Account(1).Password, std::string());
    QCOMPARE(AccountsList(*w2)->topLevelItemCount(), 2);
    // Both the kept and the new account are refreshed.
    QCOMPARE(refreshes.count(), 2);
    QCOMPARE(refreshes.at(0).at(0).toInt(), 0);
    QCOMPARE(refreshes.at(1).at(0).toInt(), 1);
    QCOMPARE(int(m.Contacts().size()), 2);
    QCOMPARE(m.Contacts()[0], (TContact{"Shop", "111", "U222", "m@example", ""}));
    QCOMPARE(m.Contacts()[1].Name, std::string(" Blank"));

    // The imported preferences take effect at the next load of the preferences.
    QVERIFY(!w2->Model().Proxy.UseProxy);
    w2->Preferences()->LoadAndApply();
    QCOMPARE(w2->Model().Proxy.ProxyHost, std::string("proxy.example"));
    QCOMPARE(w2->Model().Proxy.ProxyPort, 3128);
    QCOMPARE(w2->Model().Proxy.ProxyPasswd, std::string("pw=\"x\""));
    QVERIFY(w2->Model().Proxy.UseProxy);

    // Answering Yes replaces the entry in its place; its pass phrase goes with it.
    bob.boxes.answer = true;
    bob.boxes.asked.clear();
    WhenOpen("fImport", [&](QDialog* d) {
      QVERIFY(static_cast<TfImport*>(d)->ChooseFile(file));
      Child<QListWidget>(d, "chkAccounts")->item(0)->setCheckState(Qt::Checked);
      QTest::mouseClick(Child<QPushButton>(d, "bOk"), Qt::LeftButton);
    });
    w2->Actions().actImport->trigger();
    QCOMPARE(bob.boxes.asked.size(), 1);
    QCOMPARE(m.AccountCount(), 2);
    QCOMPARE(m.Account(0).Name, std::string("Main"));
    QCOMPARE(m.Account(0).Password, std::string());
    QCOMPARE(m.Account(0).Refresh, uint16_t(15));
  }

  void aStoppedImportAndAFailedExportAreTold() {
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile({MakeAccount(0, "One", "1001")}));
    w->show();
    const QString file = f.home.Root() + QStringLiteral("/bad.nex");
    QFile bad(file);
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("[Accounts]\nName1=A\nAccount1=5\nName2=B\nAccount2=6\nRefresh2=70000\nName3=C\nAccount3=7\n");
    bad.close();
    WhenOpen("fImport", [&](QDialog* d) {
      QVERIFY(static_cast<TfImport*>(d)->ChooseFile(file));
      QVERIFY(!Child<QCheckBox>(d, "chkSettings")->isEnabled());
      TickAll(Child<QListWidget>(d, "chkAccounts"));
      QTest::mouseClick(Child<QPushButton>(d, "bOk"), Qt::LeftButton);
    });
    w->Actions().actImport->trigger();
    QVERIFY2(f.boxes.LastText().contains(QStringLiteral("account 6")), qPrintable(f.boxes.LastText()));
    QCOMPARE(f.boxes.shown.back().icon, MessageIcon::Error);
    QCOMPARE(w->Model().AccountCount(), 2);  // the account before the stop stays

    WhenOpen("fExport", [&](QDialog* d) {
      Child<QListWidget>(d, "chkAccounts")->item(0)->setCheckState(Qt::Checked);
      Child<QLineEdit>(d, "iFile")->setText(QStringLiteral("/proc/no-such-folder/x.nex"));
      QTest::mouseClick(Child<QPushButton>(d, "bOk"), Qt::LeftButton);
      QVERIFY2(d->isVisible(), "a failed export leaves the dialog open");
      QVERIFY(f.boxes.LastText().startsWith(QStringLiteral("The export file could not be written")));
      d->reject();
    });
    w->Actions().actExport->trigger();
  }
};

NUMMORA_QTEST_MAIN(TestSettingsTransfer)
#include "test_settings_transfer.moc"
