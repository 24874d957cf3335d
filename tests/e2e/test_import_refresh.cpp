// Against the sandbox: the e-gold account read from a settings file is added to the profile
// without a pass phrase, its refresh asks for one, and its balances come from the server; the
// preferences download the proxy list from the vendor service and a double-click takes an entry.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "app/main_window_host.h"
#include "platform/ini_file_io.h"
#include "preferences/import_dialog.h"
#include "preferences/preferences_dialog.h"
#include "support/main_window_fixture.h"
#include "support/sandbox_process.h"
// The sandbox runner is plain C++ kept with the GoogleTest support library, which this Qt test
// does not link; its one source file is compiled in here.
#include "support/app_test_support.h"
#include "support/qt_test_main.h"
#include "support/sandbox_process.cpp"

using namespace nummora;
using namespace nummora::test;

namespace {}  // namespace

class TestImportRefresh : public QObject {
  Q_OBJECT

 private slots:
  void importedAccountIsRefreshedFromTheServer() {
    SandboxProcess sandbox;
    std::string error;
    QVERIFY2(sandbox.Start(&error), error.c_str());
    QVERIFY(sandbox.ExportServersIni());
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile({}));
    InstallNetworkWorkers(*w);
    w->show();

    IniFile ini;
    ini.WriteString("Accounts", "Name1", "Alice");
    ini.WriteString("Accounts", "Account1", "1001001");
    ini.WriteInteger("Accounts", "Refresh1", 30);
    const QString file = f.home.Root() + QStringLiteral("/alice.nex");
    SaveIniFile(file.toStdString(), ini);

    bool asked = false;
    WhenOpen("TfAsk", [&asked](QDialog* ask) {
      asked = true;
      ask->findChild<QLineEdit*>(QStringLiteral("ePasswd"))->setText(QStringLiteral("alice gold 2006"));
      ask->accept();
    });
    WhenOpen("fImport", [&](QDialog* d) {
      QVERIFY(static_cast<ImportDialog*>(d)->ChooseFile(file));
      d->findChild<QListWidget*>(QStringLiteral("chkAccounts"))->item(0)->setCheckState(Qt::Checked);
      QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("bOk")), Qt::LeftButton);
    });
    w->Actions().importAccounts->trigger();
    QCOMPARE(w->Model().AccountCount(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(w->Model().Account(0).Gold == 12.5, 30000);
    QVERIFY(asked);
    QCOMPARE(w->Model().Account(0).Refresh, uint16_t(30));
    QCOMPARE(w->Model().Account(0).Palladium, 1.2);
    QTRY_VERIFY(!w->Model().Account(0).Refreshing);
  }

  void proxyListDownload() {
    SandboxProcess sandbox;
    std::string error;
    QVERIFY2(sandbox.Start(&error), error.c_str());
    QVERIFY(sandbox.ExportServersIni());
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile({}));
    w->CreatePreferences(InstallNetworkWorkers(*w), "/usr/bin/nummora");
    w->show();
    PreferencesDialog* d = w->Preferences();
    d->show();
    auto* list = d->findChild<QListWidget*>(QStringLiteral("ProxyList"));
    auto* download = d->findChild<QPushButton*>(QStringLiteral("bDownload"));
    QTest::mouseClick(download, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(download->isEnabled(), 30000);
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->item(2)->text(), QStringLiteral("localhost:8080"));
    list->setCurrentRow(2);
    emit list->itemDoubleClicked(list->item(2));
    QCOMPARE(d->findChild<QLineEdit*>(QStringLiteral("ProxyHost"))->text(), QStringLiteral("localhost"));
    QCOMPARE(d->findChild<QLineEdit*>(QStringLiteral("ProxyPort"))->text(), QStringLiteral("8080"));
    QVERIFY(d->findChild<QCheckBox*>(QStringLiteral("UseProxy"))->isChecked());
    QVERIFY(d->findChild<QLineEdit*>(QStringLiteral("ProxyHost"))->isEnabled());
    // Nothing is saved until OK.
    QVERIFY(!w->Model().Proxy.UseProxy);
  }
};

NUMMORA_QTEST_MAIN(TestImportRefresh)
#include "test_import_refresh.moc"
