// Export and import of settings through the main window's commands, between two profiles:
// accounts, preferences and the address book go over; existing accounts are asked about; the
// imported accounts are refreshed; the file is private and a failed write is told. Imported
// text is checked as typed text is, a proxy is turned on only when the user agrees, the box at
// the end says what was imported and what was left out, the profile still saves afterwards, and
// the preferences show the imported settings at their next opening.
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "preferences/hotkey_edit.h"
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
    AccountRecord main = MakeAccount(0, "Main", "1001");
    main.Password = "secret pass phrase";
    main.Update = true;
    main.Refresh = 15;
    const AccountRecord lr = MakeAccount(1, "Reserve", "U2002");
    const AccountRecord savings = MakeAccount(0, "Caf\xE9 = \"savings\"", "3003");
    auto w = alice.Open(alice.WriteProfile({main, lr, savings}));
    w->show();
    Access::Model(*w).AddContact({"Shop", "111", "U222", "m@example", "private note"});
    Access::Model(*w).AddContact({" Blank", "", "U9", "", ""});
    w->CreatePreferences(nullptr, "/usr/bin/nummora");
    PreferencesDialog* prefs = w->Preferences();
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
    w->Actions().exportAccounts->trigger();
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
    AccountRecord bobs = MakeAccount(0, "Bob's", "1001");
    bobs.Password = "bob phrase";
    auto w2 = bob.Open(bob.WriteProfile({bobs}));
    w2->show();
    w2->CreatePreferences(nullptr, "/usr/bin/nummora");
    bob.boxes.answers = {false, true};  // keep Bob's 1001; take the proxy
    QSignalSpy refreshes(w2.get(), &MainWindow::BalanceRequested);
    WhenOpen("fImport", [&](QDialog* d) {
      QVERIFY(!Child<QPushButton>(d, "bOk")->isEnabled());
      QVERIFY(static_cast<ImportDialog*>(d)->ChooseFile(file));
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
    w2->Actions().importAccounts->trigger();
    QCOMPARE(bob.boxes.asked,
             (QStringList{
                 QStringLiteral("Do you wish to overwrite account 1001?"),
                 QStringLiteral("The imported settings turn on the proxy proxy.example:3128: every "
                                "connection of the program will go through it.\n\nImport the settings?")}));
    QCOMPARE(bob.boxes.LastText(),
             QStringLiteral("Done!\n\n1 account imported.\n1 existing account kept as it was.\n2 contacts "
                            "added.\nSettings imported.\n\nAccounts not imported:\nReserve <U2002>: Liberty "
                            "Reserve accounts are not imported: the file does not hold the API name they "
                            "need. Add it with \"New account\"."));
    const ProfileModel& m = w2->Model();
    QCOMPARE(m.AccountCount(), 2);  // the Liberty Reserve account is not imported
    QCOMPARE(m.Account(0).Name, std::string("Bob's"));
    QCOMPARE(m.Account(0).Password, std::string("bob phrase"));
    QCOMPARE(m.Account(1).Name, savings.Name);
    QCOMPARE(m.Account(1).ID, std::string("3003"));
    QCOMPARE(m.Account(1).Password, std::string());
    QCOMPARE(nummora::test::RowCount(AccountsList(*w2)), 2);
    // Both the kept and the new account are refreshed.
    QCOMPARE(refreshes.count(), 2);
    QCOMPARE(refreshes.at(0).at(0).toInt(), 0);
    QCOMPARE(refreshes.at(1).at(0).toInt(), 1);
    QCOMPARE(int(m.Contacts().size()), 2);
    QCOMPARE(m.Contacts()[0], (ContactRecord{"Shop", "111", "U222", "m@example", ""}));
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
      QVERIFY(static_cast<ImportDialog*>(d)->ChooseFile(file));
      Child<QListWidget>(d, "chkAccounts")->item(0)->setCheckState(Qt::Checked);
      QTest::mouseClick(Child<QPushButton>(d, "bOk"), Qt::LeftButton);
    });
    w2->Actions().importAccounts->trigger();
    QCOMPARE(bob.boxes.asked.size(), 1);
    QCOMPARE(m.AccountCount(), 2);
    QCOMPARE(m.Account(0).Name, std::string("Main"));
    QCOMPARE(m.Account(0).Password, std::string());
    QCOMPARE(m.Account(0).Refresh, uint16_t(15));
  }

  // Text from a settings file goes through the checks the editors make on typed text: an entry
  // they would refuse is left out and named with the editor's message; a proxy is turned on only
  // after the user has agreed to its host; the box at the end counts what was imported. Whatever
  // the file held, the profile saves afterwards and keeps what was imported.
  void importedTextIsCheckedAsTypedText_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QStringList>("accounts");
    QTest::addColumn<QStringList>("contacts");
    QTest::addColumn<bool>("proxyOn");
    const QString tagRefused = QStringLiteral("must not contain \"<\" or \">\".");
    QTest::newRow("tag in an account name")
        << QByteArray("[Accounts]\nName1=Bad<b>\nAccount1=1001\nName2=Good\nAccount2=1002\n") << true
        << QStringList()
        << (QStringLiteral("Done!\n\n1 account imported.\n\nAccounts not imported:\nBad<b> "
                           "<1001>: The field \"Account name\" ") +
            tagRefused)
        << QStringList{"1002"} << QStringList() << false;
    QTest::newRow("tag in a contact")
        << QByteArray("[Address book]\nName1=Shop\nAccount1=111\nName2=Evil\nComment2=a>b@example\n") << true
        << QStringList()
        << (QStringLiteral("Done!\n\n0 accounts imported.\n1 contact added.\n\nContacts not added:\nEvil: "
                           "The field \"E-mail\" ") +
            tagRefused)
        << QStringList() << QStringList{"Shop"} << false;
    const QByteArray proxy("[Preferences]\nUseProxy=1\nProxyHost=evil.example\nProxyPort=8080\n");
    const QString question = QStringLiteral(
        "The imported settings turn on the proxy evil.example:8080: every connection of the program will go "
        "through it.\n\nImport the settings?");
    QTest::newRow("proxy refused") << proxy << false << QStringList{question}
                                   << QStringLiteral(
                                          "Done!\n\n0 accounts imported.\nSettings not imported: the "
                                          "proxy evil.example:8080 was not accepted.")
                                   << QStringList() << QStringList() << false;
    QTest::newRow("proxy accepted") << proxy << true << QStringList{question}
                                    << QStringLiteral("Done!\n\n0 accounts imported.\nSettings imported.")
                                    << QStringList() << QStringList() << true;
    QTest::newRow("proxy port the dialog refuses")
        << QByteArray("[Preferences]\nUseProxy=1\nProxyHost=evil.example\nProxyPort=99999\n") << true
        << QStringList()
        << QStringLiteral(
               "Done!\n\n0 accounts imported.\nSettings not imported: The proxy \"Port\" must be a "
               "number from 1 to 65535.")
        << QStringList() << QStringList() << false;
    QTest::newRow("Liberty Reserve account")
        << QByteArray(
               "[Accounts]\nName1=Reserve\nAccount1=U2002\nName2=Main\nAccount2=1001\nName3=Text\n"
               "Account3=abc\n")
        << true << QStringList()
        << QStringLiteral(
               "Done!\n\n1 account imported.\n\nAccounts not imported:\nReserve <U2002>: Liberty "
               "Reserve accounts are not imported: the file does not hold the API name they need. "
               "Add it with \"New account\".\nText <abc>: \"abc\" is not an e-gold account number.")
        << QStringList{"1001"} << QStringList() << false;
  }
  void importedTextIsCheckedAsTypedText() {
    QFETCH(QByteArray, file);
    QFETCH(bool, answer);
    QFETCH(QStringList, questions);
    QFETCH(QString, report);
    QFETCH(QStringList, accounts);
    QFETCH(QStringList, contacts);
    QFETCH(bool, proxyOn);
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile({}));
    w->show();
    w->CreatePreferences(nullptr, "/usr/bin/nummora");
    const QString path = f.home.Root() + QStringLiteral("/crafted.nex");
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file);
    out.close();
    f.boxes.answer = answer;
    WhenOpen("fImport", [&](QDialog* d) {
      QVERIFY(static_cast<ImportDialog*>(d)->ChooseFile(path));
      TickAll(Child<QListWidget>(d, "chkAccounts"));
      Child<QCheckBox>(d, "chkSettings")->setChecked(true);
      Child<QCheckBox>(d, "chkAddress")->setChecked(true);
      QTest::mouseClick(Child<QPushButton>(d, "bOk"), Qt::LeftButton);
    });
    w->Actions().importAccounts->trigger();
    QCOMPARE(f.boxes.asked, questions);
    QCOMPARE(f.boxes.LastText(), report);
    QCOMPARE(f.boxes.shown.back().icon, MessageIcon::Information);
    QStringList ids;
    for (const AccountRecord& a : w->Model().Accounts()) ids << QString::fromLatin1(a.ID.c_str());
    QCOMPARE(ids, accounts);
    QStringList names;
    for (const ContactRecord& c : w->Model().Contacts()) names << QString::fromLatin1(c.Name.c_str());
    QCOMPARE(names, contacts);
    f.store->SetRootKey(RootKey::LocalMachine);
    f.store->OpenKey(ProfileKeyPath(MainWindowFixture::kProfile), false);
    QCOMPARE(f.store->ReadBool("UseProxy"), proxyOn);

    // The profile still saves, with what was imported.
    std::string error;
    QVERIFY2(w->SessionEnding(&error), error.c_str());
    const ProfileDocumentContent saved = ReadProfileDocument(
        DecipherFile(f.dataFile, MainWindowFixture::kPassword), UsEnglishFormatSettings());
    QCOMPARE(int(saved.accounts.size()), accounts.size());
    QCOMPARE(int(saved.contacts.size()), contacts.size());
  }

  // Imported settings show at the next opening of the preferences, so that its OK keeps them.
  void preferencesShowTheImportedSettingsAtTheirFirstOpening() {
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile({}));
    w->show();
    w->CreatePreferences(nullptr, "/usr/bin/nummora");
    PreferencesDialog* prefs = w->Preferences();
    QCOMPARE(Child<HotkeyEdit>(prefs, "HotBalance")->Value(), kDefaultHotkeyBalance);
    const QString path = f.home.Root() + QStringLiteral("/settings.nex");
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("[Preferences]\nHotkeyBalance=16449\nHotkeySpend=0\nProxyHost=kept.example\n");
    out.close();
    WhenOpen("fImport", [&](QDialog* d) {
      QVERIFY(static_cast<ImportDialog*>(d)->ChooseFile(path));
      Child<QCheckBox>(d, "chkSettings")->setChecked(true);
      QTest::mouseClick(Child<QPushButton>(d, "bOk"), Qt::LeftButton);
    });
    w->Actions().importAccounts->trigger();

    prefs->show();
    QCOMPARE(Child<HotkeyEdit>(prefs, "HotBalance")->Value(), 16449);  // Ctrl+A
    QCOMPARE(Child<HotkeyEdit>(prefs, "HotSpend")->Value(), 0);
    QCOMPARE(Child<QLineEdit>(prefs, "ProxyHost")->text(), QStringLiteral("kept.example"));
    QTest::mouseClick(Child<QPushButton>(prefs, "bOk"), Qt::LeftButton);
    f.store->SetRootKey(RootKey::LocalMachine);
    f.store->OpenKey(ProfileKeyPath(MainWindowFixture::kProfile), false);
    QCOMPARE(f.store->ReadInteger("HotkeyBalance"), 16449);
    QCOMPARE(f.store->ReadString("ProxyHost"), std::string("kept.example"));
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
      QVERIFY(static_cast<ImportDialog*>(d)->ChooseFile(file));
      QVERIFY(!Child<QCheckBox>(d, "chkSettings")->isEnabled());
      TickAll(Child<QListWidget>(d, "chkAccounts"));
      QTest::mouseClick(Child<QPushButton>(d, "bOk"), Qt::LeftButton);
    });
    w->Actions().importAccounts->trigger();
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
    w->Actions().exportAccounts->trigger();
  }
};

NUMMORA_QTEST_MAIN(TestSettingsTransfer)
#include "test_settings_transfer.moc"
