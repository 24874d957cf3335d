// Window layout kept per profile: the main window and a history viewer reopen with the bounds
// and column widths they were closed with; the two share the widths of the first three columns
// of "List"; a width below -2 is ignored; bounds off every screen are brought back.
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTreeWidget>
#include <QtTest>

#include "preferences/layout_keeper.h"
#include "support/main_window_fixture.h"

using namespace nummora;
using namespace nummora::test;

namespace {

// A stand-in for the history viewer: a window "fHistory" with an eight-column list "List".
struct Viewer {
  QWidget window;
  QTreeWidget* list;
  explicit Viewer(const TLayoutPlace& place) : list(new QTreeWidget(&window)) {
    window.setObjectName(QStringLiteral("fHistory"));
    list->setObjectName(QStringLiteral("List"));
    list->setColumnCount(8);
    window.resize(500, 300);
    RestoreWindowBounds(&window, place, "fHistory");
    RestoreColumnWidths(list, place, "List");
  }
  void Close(const TLayoutPlace& place) {
    SaveColumnWidths(list, place, "List");
    SaveWindowBounds(&window, place, "fHistory");
  }
};

QTreeWidget* Metals(TNummora& w) {
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

    // A viewer closed now, then the main window at exit: the next viewer has the main window's
    // widths in its first three columns and its own in the others.
    const TLayoutPlace place{f.store.get(), MainWindowFixture::kProfile};
    {
      Viewer viewer(place);
      QCOMPARE(viewer.list->columnWidth(0), 300);
      viewer.window.move(60, 70);
      viewer.window.resize(700, 350);
      viewer.list->setColumnWidth(0, 111);
      viewer.list->setColumnWidth(6, 222);
      viewer.Close(place);
    }
    AccountsList(*w)->setColumnWidth(0, 333);
    w->close();
    Viewer next(place);
    QCOMPARE(next.window.geometry(), QRect(60, 70, 700, 350));
    QCOMPARE(next.list->columnWidth(0), 333);
    QCOMPARE(next.list->columnWidth(6), 222);
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

QTEST_MAIN(TestWindowLayout)
#include "test_window_layout.moc"
