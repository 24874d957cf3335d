// Window layout kept per profile: the main window and a history viewer reopen with the bounds
// and column widths they were closed with; the two share the widths of the first three columns
// of "List"; the directory's list ("DirL") keeps its widths; a width below -2 is ignored; bounds
// off every screen are brought back.
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

#include "history/history_viewer.h"
#include "net/server_config.h"
#include "support/main_window_fixture.h"
#include "support/qt_test_main.h"

using namespace nummora;
using namespace nummora::test;

namespace {

const char kHistory[] =
    "\"Date\",\"Type\",\"Batch\",\"Metal\",\"Ounces\",\"Counter\",\"Name\",\"USD\",\"Unit\",\"Price\","
    "\"Memo\",\"PaymentID\"\r\n\"03/07/2006\",\"Payment Received\",41000001,Gold,0.1,1001002,"
    "\"Bob\",1.25,\"USD\",650,\"m\",\"P\"\r\n";

// A history viewer of the main window's first account, as "&View history..." opens it.
HistoryViewer* OpenViewer(MainWindow& w) {
  auto* viewer = new HistoryViewer(MakeAccount(0, "One", "1001"), kHistory, std::string(), 0,
                                   QStringLiteral("History"), w.HistoryServicesFor({}, nullptr, {}));
  viewer->show();
  QPointer<HistoryViewer> guard(viewer);
  return QTest::qWaitFor([&] { return guard && guard->Complete(); }, 20000) ? viewer : nullptr;
}

QTableView* ViewerList(HistoryViewer* viewer) {
  return viewer->findChild<QTableView*>(QStringLiteral("List"));
}

// The directory's report view (its web sites), the list kept as "DirL".
QTreeView* Directory(MainWindow& w) {
  return w.findChild<QTreeView*>(QStringLiteral("DirLReport"));
}

QTreeWidget* Metals(MainWindow& w) {
  return w.findChild<QTreeWidget*>(QStringLiteral("Metals"));
}

}  // namespace

class TestWindowLayout : public QObject {
  Q_OBJECT

 private slots:
  void windowsReopenAsTheyWereClosed() {
    MainWindowFixture f;
    const std::string text = f.WriteProfile({MakeAccount(0, "One", "1001")});
    auto w = f.Open(text);
    w->show();
    const QRect builtIn = w->geometry();
    const int builtInWidth = AccountsList(*w)->columnWidth(0);
    w->move(40, 30);
    w->resize(620, 470);
    AccountsList(*w)->setColumnWidth(0, 300);
    AccountsList(*w)->setColumnWidth(1, 210);  // the last column stretches with the window
    Metals(*w)->setColumnWidth(1, 130);
    QVERIFY(Directory(*w));
    const int builtInDirectoryWidth = Directory(*w)->columnWidth(0);
    Directory(*w)->setColumnWidth(0, 260);
    const QRect closedAt = w->geometry();
    QVERIFY(closedAt != builtIn);
    w->close();
    w.reset();

    // Another profile in the same store keeps its own (here: none).
    f.store->SetRootKey(RootKey::LocalMachine);
    f.store->OpenKey(ProfileKeyPath("bob"), true);
    f.store->WriteInteger("Nummora_Width", 999);
    f.store->WriteInteger("List_Width_0", 17);

    w = f.Open(text);
    w->show();
    QCOMPARE(w->geometry(), closedAt);
    QCOMPARE(AccountsList(*w)->columnWidth(0), 300);
    QCOMPARE(AccountsList(*w)->columnWidth(1), 210);
    QCOMPARE(Metals(*w)->columnWidth(1), 130);
    QVERIFY(builtInWidth != 300);
    // The directory's list lives in a stacked view under the name "DirL": its widths come back too.
    QCOMPARE(Directory(*w)->columnWidth(0), 260);
    QVERIFY(builtInDirectoryWidth != 260);

    // A viewer closed now, then the main window at exit: the next viewer has the main window's
    // widths in its first three columns and its own in the others. A viewer still open at exit
    // keeps nothing.
    HistoryViewer* viewer = OpenViewer(*w);
    QVERIFY(viewer);
    QCOMPARE(ViewerList(viewer)->columnWidth(0), 300);
    viewer->move(60, 70);
    viewer->resize(700, 350);
    ViewerList(viewer)->setColumnWidth(0, 111);
    ViewerList(viewer)->setColumnWidth(6, 222);
    const QRect viewerClosedAt = viewer->geometry();
    viewer->close();
    HistoryViewer* openAtExit = OpenViewer(*w);
    QVERIFY(openAtExit);
    QCOMPARE(openAtExit->geometry(), viewerClosedAt);
    QCOMPARE(ViewerList(openAtExit)->columnWidth(6), 222);
    ViewerList(openAtExit)->setColumnWidth(6, 99);
    openAtExit->resize(400, 250);
    AccountsList(*w)->setColumnWidth(0, 333);
    w->close();
    openAtExit->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    w.reset();

    w = f.Open(text);
    HistoryViewer* next = OpenViewer(*w);
    QVERIFY(next);
    QCOMPARE(next->geometry(), viewerClosedAt);
    QCOMPARE(ViewerList(next)->columnWidth(0), 333);
    QCOMPARE(ViewerList(next)->columnWidth(6), 222);
    next->close();
  }

  void unusableStoredLayoutIsLeftAside() {
    MainWindowFixture f;
    const std::string text = f.WriteProfile({});
    auto first = f.Open(text);
    const int builtInWidth = AccountsList(*first)->columnWidth(1);
    first.reset();
    f.store->SetRootKey(RootKey::LocalMachine);
    f.store->OpenKey(ProfileKeyPath(MainWindowFixture::kProfile), true);
    f.store->WriteInteger("List_Width_1", -3);
    f.store->WriteInteger("Nummora_Left", 20000);
    f.store->WriteInteger("Nummora_Top", -20000);
    f.store->WriteInteger("Nummora_Width", 500);
    f.store->WriteInteger("Nummora_Height", 400);
    auto w = f.Open(text);
    QCOMPARE(AccountsList(*w)->columnWidth(1), builtInWidth);
    const QRect frame(w->pos(), w->size());
    bool onAScreen = false;
    for (const QScreen* s : QGuiApplication::screens()) onAScreen |= s->availableGeometry().intersects(frame);
    QVERIFY2(onAScreen, "stored bounds off every screen are brought back onto one");
    QCOMPARE(w->size(), QSize(500, 400));
  }
};

NUMMORA_QTEST_MAIN(TestWindowLayout)
#include "test_window_layout.moc"
