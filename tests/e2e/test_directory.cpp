// The "Gold directory" tab of a main window against the sandbox's vendor service: the category
// page with its icons, a category's sites, Home and Refresh, the six-day freshness by the
// document's file time, failed downloads that keep the old directory, an unreadable strip
// fetched again, a site opened through a browser stand-in, and the referral code in the
// e-gold sign-up link. With NUMMORA_SCREENSHOT_DIR set, both views are saved there.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTreeView>
#include <QtTest>
#include <fstream>

#include "accounts/account_editor_dialog.h"
#include "directory/directory_files.h"
#include "directory/directory_tab.h"
#include "directory/picture_strip.h"
#include "platform/paths.h"
#include "support/main_window_fixture.h"
#include "support/sandbox_process.h"
#include "ui/events_window.h"
// The sandbox runner is plain C++ kept with the GoogleTest support library, which this Qt test
// does not link; its one source file is compiled in here.
#include "support/qt_test_main.h"
#include "support/sandbox_process.cpp"

using namespace nummora;
using namespace nummora::test;
namespace fs = std::filesystem;

namespace {

QStringList Captions(QAbstractItemView* view) {
  QStringList out;
  for (int row = 0; row < view->model()->rowCount(); ++row)
    out << view->model()->index(row, 0).data().toString();
  return out;
}

int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::string ReadFile(const fs::path& file) {
  return ReadWholeFile(file);
}

}  // namespace

class TestDirectory : public QObject {
  Q_OBJECT

  std::unique_ptr<SandboxProcess> sandbox_;
  std::unique_ptr<MainWindowFixture> fixture_;
  std::unique_ptr<MainWindow> window_;
  std::vector<QUrl> opened_;
  fs::path cache_;

  DirectoryTab* Tab() { return window_->Directory(); }
  QListView* Icons() { return window_->findChild<QListView*>(QStringLiteral("DirLIcons")); }
  QTreeView* Report() { return window_->findChild<QTreeView*>(QStringLiteral("DirLReport")); }
  QAction* Action(const char* name) { return window_->findChild<QAction*>(QString::fromLatin1(name)); }
  std::string Events() { return window_->Events()->Text().toStdString(); }

  // Requests for a path recorded by the sandbox since the last clear.
  std::string Requests() {
    std::string json;
    return sandbox_->Requests(&json) ? json : std::string();
  }
  int Requests(const std::string& path) { return CountOf(Requests(), "\"" + path + "\""); }

  // Opens the window (loading the profile shows the category page) with a browser stand-in
  // that records what it is asked to open.
  void OpenWindow() {
    OpenWindowWith([this](const QUrl& url) {
      opened_.push_back(url);
      return true;
    });
  }
  // The same with `browser` (empty: the desktop's).
  void OpenWindowWith(std::function<bool(const QUrl&)> browser) {
    fixture_->browser = std::move(browser);
    window_ = fixture_->Open(fixture_->WriteProfile({}));
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    window_->findChild<QTabWidget*>(QStringLiteral("PageControl"))
        ->setCurrentWidget(window_->findChild<QWidget*>(QStringLiteral("tsDirectory")));
  }

  void WaitForDownload() { QTRY_VERIFY_WITH_TIMEOUT(!Tab()->Downloading(), 30000); }

  void SetDocumentAge(std::chrono::hours age) {
    fs::last_write_time(cache_ / kDirectoryDocument, fs::file_time_type::clock::now() - age);
  }

  void Click(QAbstractItemView* view, int row) {
    const QRect rect = view->visualRect(view->model()->index(row, 0));
    QVERIFY(rect.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
  }

  void SaveScreenshot(const char* name) {
    const QString folder = qEnvironmentVariable("NUMMORA_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QVERIFY(window_->grab().save(folder + "/" + name, "PNG"));
  }

 private slots:
  void initTestCase() {
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    sandbox_ = std::make_unique<SandboxProcess>();
    std::string error;
    QVERIFY2(sandbox_->Start(&error), error.c_str());
    QVERIFY(sandbox_->ExportServersIni());
  }
  void cleanupTestCase() { sandbox_.reset(); }

  void init() {
    fixture_ = std::make_unique<MainWindowFixture>();
    cache_ = CacheFolder(false);
    opened_.clear();
    QVERIFY(sandbox_->ClearRequests());
  }
  void cleanup() {
    window_.reset();
    fixture_.reset();
    QVERIFY(sandbox_->ClearFaults());
  }

  // The first showing downloads the directory into the cache folder and shows the category
  // page with its icons; a category shows its sites; Home goes back.
  void categoryPageSitesAndHome() {
    OpenWindow();
    WaitForDownload();
    QCOMPARE(Requests("/services/directory.php"), 1);
    QCOMPARE(CountOf(Requests(), "\"reg=False\""), 1);
    QCOMPARE(Requests("/services/categories.bmp"), 1);
    QCOMPARE(Requests("/services/pages.bmp"), 1);
    for (const char* file : {kDirectoryDocument, kCategoryStrip, kSiteStrip})
      QVERIFY(fs::exists(cache_ / file));
    QCOMPARE(CountOf(Events(), "Catalog"), 3);
    QVERIFY(Events().find(sandbox_->VendorUrl() + "/services/categories.bmp") != std::string::npos);

    QVERIFY(Icons()->isVisible());
    QCOMPARE(Captions(Icons()),
             QStringList({"Precious metals", "Shopping", "Hosting", "Exchangers", "Investment", "Charity"}));
    for (int row = 0; row < 6; ++row) {
      const QIcon icon = Icons()->model()->index(row, 0).data(Qt::DecorationRole).value<QIcon>();
      QVERIFY(!icon.isNull());
      // The strip's bottom-left colour is transparent: the icon's corner shows the list through.
      QCOMPARE(qAlpha(icon.pixmap(50, 50).toImage().pixel(0, 49)), 0);
    }
    QVERIFY(!Action("DirHome")->isEnabled());
    SaveScreenshot("directory-categories.png");

    Click(Icons(), 2);  // Hosting
    QVERIFY(Report()->isVisible());
    QCOMPARE(Captions(Report()), QStringList({"Metal Hosting", "Reserve Servers"}));
    QCOMPARE(Report()->model()->index(1, 1).data().toString(),
             QStringLiteral("Virtual servers, Liberty Reserve accepted"));
    QVERIFY(!Report()->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    QCOMPARE(Report()->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Description"));
    QCOMPARE(Tab()->Category(), 3);
    QVERIFY(Action("DirHome")->isEnabled());
    SaveScreenshot("directory-sites.png");

    // A click on a site opens the redirect link with its number.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    Click(Report(), 1);
    QCOMPARE(int(opened_.size()), 1);
    QCOMPARE(opened_[0].toString().toStdString(), sandbox_->VendorUrl() + "/r/?106");

    Action("DirHome")->trigger();
    QVERIFY(Icons()->isVisible());
    QCOMPARE(Captions(Icons()).size(), 6);
    QVERIFY(!Action("DirHome")->isEnabled());
    QCOMPARE(Requests("/services/directory.php"), 1);  // still fresh: no download
  }

  // Five days old: shown from the cache. Six days: downloaded again.
  void sixDayFreshnessByFileTime() {
    OpenWindow();
    WaitForDownload();
    QVERIFY(sandbox_->ClearRequests());
    SetDocumentAge(std::chrono::hours(5 * 24 + 23));
    Tab()->ShowDirectory(0);
    QVERIFY(!Tab()->Downloading());
    QCOMPARE(Requests("/services/directory.php"), 0);

    SetDocumentAge(std::chrono::hours(6 * 24));
    QSignalSpy finished(Tab(), &DirectoryTab::DownloadFinished);
    Tab()->ShowDirectory(0);
    QVERIFY(Tab()->Downloading());
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QCOMPARE(Requests("/services/directory.php"), 1);
    // The new document is dated now, so the next showing needs no download.
    Tab()->ShowDirectory(0);
    QVERIFY(!Tab()->Downloading());
  }

  // Refresh twice: two downloads, one after the other; a Refresh while one runs starts none.
  void refreshTwice() {
    OpenWindow();
    WaitForDownload();
    QVERIFY(sandbox_->ClearRequests());
    Action("DirOpen")->trigger();  // nothing selected: nothing happens
    Click(Icons(), 0);
    QCOMPARE(Tab()->Category(), 1);
    for (int i = 0; i < 2; ++i) {
      Action("DirRefresh")->trigger();
      QVERIFY(Tab()->Downloading());
      Action("DirRefresh")->trigger();  // ignored while the first runs
      WaitForDownload();
    }
    QCOMPARE(Requests("/services/directory.php"), 2);
    // The current category survives downloads.
    QCOMPARE(Tab()->Category(), 1);
    QCOMPARE(Captions(Report()), QStringList({"Bullion Vault Demo", "Coin Corner"}));
  }

  // A failed or cut-short download keeps the old files (with their old time), and the list
  // keeps showing the directory.
  void failedDownloadKeepsTheOldDirectory() {
    OpenWindow();
    WaitForDownload();
    const std::string before = ReadFile(cache_ / kDirectoryDocument);
    QVERIFY(!before.empty());
    SetDocumentAge(std::chrono::hours(24));
    const auto dated = fs::last_write_time(cache_ / kDirectoryDocument);
    for (const char* kind : {"status500", "drop"}) {
      SandboxFault fault;
      fault.kind = kind;
      fault.server = "vendor";
      fault.path = "/services/directory.php";
      QVERIFY(sandbox_->AddFault(fault));
      QSignalSpy finished(Tab(), &DirectoryTab::DownloadFinished);
      Action("DirRefresh")->trigger();
      QVERIFY(finished.wait(30000));
      QCOMPARE(finished.at(0).at(0).toBool(), false);
      QVERIFY(sandbox_->ClearFaults());
      QCOMPARE(ReadFile(cache_ / kDirectoryDocument), before);
      QVERIFY(fs::last_write_time(cache_ / kDirectoryDocument) == dated);
      QCOMPARE(Captions(Icons()).size(), 6);
    }
    QVERIFY2(Events().find("500") != std::string::npos, Events().c_str());
    // Nothing is left behind by the failed downloads: only the three files are there.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(cache_)) {
      QVERIFY2(entry.path().filename().string().rfind("directory.nm", 0) == 0 ||
                   entry.path().filename() == kDirectoryDocument,
               entry.path().c_str());
      ++files;
    }
    QCOMPARE(files, 3);
  }

  // A strip that is no readable bitmap of its height is deleted and fetched by the next check.
  void unreadableStripIsFetchedAgain() {
    OpenWindow();
    WaitForDownload();
    window_.reset();
    { std::ofstream(cache_ / kSiteStrip, std::ios::binary | std::ios::trunc) << std::string(3126, 'x'); }
    QVERIFY(sandbox_->ClearRequests());
    OpenWindow();
    QVERIFY(!Tab()->Downloading());  // everything there and fresh: shown from the cache
    QVERIFY(!fs::exists(cache_ / kSiteStrip));
    QCOMPARE(Captions(Icons()).size(), 6);
    Tab()->ShowDirectory(0);
    QVERIFY(Tab()->Downloading());
    WaitForDownload();
    QCOMPARE(Requests("/services/pages.bmp"), 1);
    QCOMPARE(ReadBitmap(ReadFile(cache_ / kSiteStrip)).has_value(), true);
  }

  // Without the stand-in the desktop's browser is used (xdg-open, which on a desktop it does not
  // know runs $BROWSER): here a program that records the address it is given.
  void desktopBrowserOpensTheSite() {
    QTemporaryDir dir;
    const QString record = dir.filePath("opened.txt");
    const QString browser = dir.filePath("browser");
    {
      QFile script(browser);
      QVERIFY(script.open(QIODevice::WriteOnly));
      script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1'\n").arg(record).toUtf8());
    }
    QFile::setPermissions(browser, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const char* desktop[] = {"DISPLAY",         "WAYLAND_DISPLAY",  "XDG_CURRENT_DESKTOP",
                             "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"};
    for (const char* name : desktop) qunsetenv(name);
    qputenv("BROWSER", browser.toLocal8Bit());
    qputenv("DEFAULT_BROWSER", browser.toLocal8Bit());
    OpenWindowWith({});
    WaitForDownload();
    Click(Icons(), 1);
    Report()->setCurrentIndex(Report()->model()->index(0, 0));
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    Action("DirOpen")->trigger();
    const auto recorded = [&record] {
      QFile file(record);
      return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    };
    QTRY_COMPARE_WITH_TIMEOUT(recorded(), sandbox_->VendorUrl() + "/r/?103\n", 10000);
    QVERIFY(Events().find("browser could not be started") == std::string::npos);
    qunsetenv("BROWSER");
    qunsetenv("DEFAULT_BROWSER");
  }

  // A browser that cannot be started is written to the events list.
  void browserThatDoesNotStartIsReported() {
    OpenWindowWith([](const QUrl&) { return false; });
    WaitForDownload();
    Click(Icons(), 0);
    Report()->setCurrentIndex(Report()->model()->index(1, 0));
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    Action("DirOpen")->trigger();
    QVERIFY2(Events().find("The web browser could not be started to open " + sandbox_->VendorUrl() +
                           "/r/?102") != std::string::npos,
             Events().c_str());
  }

  // The e-gold sign-up link of the account editor carries the directory's referral code.
  void referralCodeInTheSignupLink() {
    OpenWindow();
    WaitForDownload();
    QCOMPARE(window_->DirectoryReferral(), std::string("1001001"));
    bool clicked = false;
    QTimer::singleShot(0, window_.get(), [&] {
      auto* editor = window_->findChild<AccountEditorDialog*>();
      QVERIFY(editor);
      auto* signup = editor->findChild<QAbstractButton*>(QStringLiteral("bRegisterEgold"));
      QVERIFY(signup);
      auto* combo = editor->findChild<QComboBox*>(QStringLiteral("cAccountType"));
      combo->setCurrentIndex(0);
      qobject_cast<QAbstractButton*>(signup)->click();
      clicked = true;
      editor->reject();
    });
    Action("New")->trigger();
    QVERIFY(clicked);
    QCOMPARE(int(opened_.size()), 1);
    QCOMPARE(opened_[0].toString().toStdString(),
             sandbox_->EgoldSecureUrl() + "/newacct/newaccount.asp?cid=1001001");
  }
};

NUMMORA_QTEST_MAIN(TestDirectory)
#include "test_directory.moc"
