// Renders the three pages of the preferences dialog and the export and import dialogs and
// checks that each draws a full picture. With NUMMORA_SCREENSHOT_DIR set the pictures are kept
// there as PNG files (docs/screenshots is made this way, under xvfb-run).
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QStyleFactory>
#include <QTabWidget>
#include <QtTest>

#include "platform/ini_file_io.h"
#include "preferences/export_dialog.h"
#include "preferences/import_dialog.h"
#include "preferences/preferences_dialog.h"
#include "support/main_window_fixture.h"
#include "support/qt_test_main.h"

using namespace nummora;
using namespace nummora::test;

class TestPreferencesScreenshots : public QObject {
  Q_OBJECT

  QString folder_;
  QTemporaryDir temp_;

  void Save(QWidget& w, const char* name) {
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QImage image = w.grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
      for (int x = 0; x < image.width(); x += 4) colours.insert(image.pixel(x, y));
    QVERIFY2(colours.size() > 10, name);
    QVERIFY(image.save(folder_ + "/" + name, "PNG"));
  }

  class NoImport : public AccountImporter {
    int FindAccount(const std::string&) override { return -1; }
    int AppendAccount(const AccountRecord&) override { return -1; }
    bool ConfirmOverwrite(const std::string&) override { return false; }
    void ReplaceAccount(int, const AccountRecord&) override {}
    void RefreshAccount(int) override {}
  };

 private slots:
  void initTestCase() {
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    folder_ = qEnvironmentVariable("NUMMORA_SCREENSHOT_DIR", temp_.path());
    QDir().mkpath(folder_);
  }

  void dialogs() {
    MainWindowFixture f;
    const std::vector<AccountRecord> accounts = {MakeAccount(0, "Main", "1001001"),
                                                 MakeAccount(0, "", "1001002"),
                                                 MakeAccount(1, "Reserve", "U1000001")};
    auto w = f.Open(f.WriteProfile(accounts));
    w->show();
    w->CreatePreferences(nullptr, "/usr/bin/nummora");
    PreferencesDialog* d = w->Preferences();
    d->findChild<QListWidget*>("ProxyList")->addItems({"10.0.0.1:3128", "10.0.0.2:8080"});
    auto* pages = d->findChild<QTabWidget*>("PageControl");
    const char* names[] = {"preferences-general.png", "preferences-connection.png",
                           "preferences-security.png"};
    for (int page = 0; page < 3; ++page) {
      pages->setCurrentIndex(page);
      Save(*d, names[page]);
    }
    d->reject();

    ExportDialog exporter(
        std::vector<AccountRecord>(accounts), {}, {}, [] { return std::string("3/1/2024"); }, &f.boxes);
    exporter.findChild<QListWidget*>("chkAccounts")->item(0)->setCheckState(Qt::Checked);
    exporter.findChild<QLineEdit*>("iFile")->setText(f.home.Path() + "/accounts.nex");
    exporter.findChild<QLineEdit*>("eComment")->setText("From my laptop");
    Save(exporter, "export.png");

    IniFile ini;
    ExportedPreferences prefs;
    const std::vector<ContactRecord> contacts = {{"Shop", "111", "", "", ""}};
    WriteSettingsExport(ini, "3/1/2024", "From my laptop", accounts, &prefs, &contacts);
    const QString file = f.home.Path() + "/accounts.nex";
    SaveIniFile(file.toStdString(), ini);
    NoImport target;
    ImportDialog importer(target, {}, *f.store, MainWindowFixture::kProfile, &f.boxes);
    QVERIFY(importer.ChooseFile(file));
    importer.findChild<QListWidget*>("chkAccounts")->item(0)->setCheckState(Qt::Checked);
    Save(importer, "import.png");
  }
};

NUMMORA_QTEST_MAIN(TestPreferencesScreenshots)
#include "test_preferences_screenshots.moc"
