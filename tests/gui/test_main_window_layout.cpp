// The main window at its default size with the demo profile's accounts, at the desktop's
// default font and at 10 and 12 points: no cell of the accounts list or the metals list is cut
// or elided, no horizontal scroll bar covers a row, and status panel 0 shows its whole caption.
// With NUMMORA_SCREENSHOT_DIR set, each window is kept there as a PNG (run under xvfb-run with
// QT_QPA_PLATFORM=xcb for the pictures in docs/screenshots).
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>

#include "app/main_window_host.h"
#include "market/metals_pane_widget.h"
#include "support/main_window_fixture.h"
#include "support/qt_test_main.h"

using namespace nummora;
using namespace nummora::test;

namespace {

// The demo profile of `make run` after its balances arrived.
std::vector<AccountRecord> DemoAccounts() {
  const TDateTime updated = EncodeDateTime(2026, 12, 28, 10, 58, 58);
  AccountRecord alice = MakeAccount(0, "Alice Goldsmith", "1001001", updated);
  alice.Gold = 12.5;
  alice.Silver = 150;
  alice.Platinum = 0.8;
  alice.Palladium = 1.2;
  AccountRecord bob = MakeAccount(0, "Bob Metals", "1001002", updated);
  bob.Gold = 3.25;
  AccountRecord carol = MakeAccount(0, "Carol Empty", "1001003", updated);
  AccountRecord dave = MakeAccount(1, "Dave Reserve", "U1000001", updated);
  dave.LRusd = 15000000;
  dave.LReur = 2500000;
  AccountRecord erin = MakeAccount(1, "Erin Shop", "U1000002", updated);
  erin.LRusd = 200000;
  AccountRecord frank = MakeAccount(1, "Frank Zero", "U1000003", updated);
  return {alice, bob, carol, dave, erin, frank};
}

// Whether every cell of the list gets at least the width its text and icon need.
bool CellsFit(QTreeView* list, QString* failure) {
  QStyleOptionViewItem option;
  option.initFrom(list);
  option.font = list->font();
  option.decorationSize = list->iconSize();
  for (int row = 0; row < list->model()->rowCount(); ++row) {
    for (int column = 0; column < list->model()->columnCount(); ++column) {
      const QModelIndex index = list->model()->index(row, column);
      const int needed = list->itemDelegateForIndex(index)->sizeHint(option, index).width();
      if (list->columnWidth(column) < needed) {
        *failure = QStringLiteral("%1: \"%2\" needs %3 pixels, column %4 has %5")
                       .arg(list->objectName(), index.data().toString())
                       .arg(needed)
                       .arg(column)
                       .arg(list->columnWidth(column));
        return false;
      }
    }
  }
  if (list->header()->length() > list->viewport()->width()) {
    *failure = list->objectName() + QStringLiteral(": the columns are wider than the list");
    return false;
  }
  return true;
}

}  // namespace

class TestMainWindowLayout : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QApplication::setStyle(QStyleFactory::create("Fusion")); }

  void demoProfileFitsAtTheDefaultSize_data() {
    QTest::addColumn<int>("points");
    QTest::newRow("desktop font") << 0;
    QTest::newRow("10 points") << 10;
    QTest::newRow("12 points") << 12;
  }
  void demoProfileFitsAtTheDefaultSize() {
    QFETCH(int, points);
    const QFont original = QApplication::font();
    QFont font = original;
    if (points > 0) font.setPointSize(points);
    QApplication::setFont(font);

    MainWindowFixture f;
    ProfileModel model;
    for (const AccountRecord& a : DemoAccounts()) model.AppendAccount(a);
    model.RatesText = "12/28/2026 10:58:58,650.06,12.49,1200.84,319.74";
    auto w = f.Open(BuildProfileDocument(model, true, UsEnglishFormatSettings()));
    InstallNetworkWorkers(*w, &f.clock);  // shows the stored rates when the profile loads
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    auto* list = w->findChild<QTreeView*>("List");
    list->setCurrentIndex(list->model()->index(0, 0));
    auto* metals = w->findChild<QTreeWidget*>("Metals");
    auto* panel = w->findChild<QLabel*>("StatusActive");

    QString failure;
    QTRY_VERIFY2_WITH_TIMEOUT(CellsFit(list, &failure) && CellsFit(metals, &failure), qPrintable(failure),
                              2000);
    QVERIFY(!list->horizontalScrollBar()->isVisible());
    QVERIFY(!metals->horizontalScrollBar()->isVisible());
    // All four metal rows are in view.
    const QRect last = metals->visualRect(metals->model()->index(kMetalCount - 1, 0));
    QVERIFY(last.isValid());
    QVERIFY2(last.bottom() <= metals->viewport()->height(), "the last metal row is cut");
    QVERIFY(panel->text().endsWith("Alice Goldsmith (1001001)"));
    // A long notification in the hint panel does not squeeze panel 0.
    w->findChild<QLabel*>("StatusHint")->setText(QString(300, QLatin1Char('x')));
    QTRY_VERIFY(panel->width() >= panel->sizeHint().width());

    const QString folder = qEnvironmentVariable("NUMMORA_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
      QTest::qWait(200);
      const QString name = points ? QStringLiteral("main-window-%1pt.png").arg(points)
                                  : QStringLiteral("main-window-default-font.png");
      QVERIFY(w->grab().save(folder + "/" + name, "PNG"));
    }
    QApplication::setFont(original);
  }

  // Rates that move bring pictures, which make the metal rows taller; a list made shorter than
  // its rows gets a vertical scroll bar, which takes room from the stretched last column.
  void staysInViewWhenRowsGrowOrTheListShrinks() {
    MainWindowFixture f;
    ProfileModel model;
    for (const AccountRecord& a : DemoAccounts()) model.AppendAccount(a);
    auto w = f.Open(BuildProfileDocument(model, true, UsEnglishFormatSettings()));
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    auto* list = w->findChild<QTreeView*>("List");
    list->setCurrentIndex(list->model()->index(0, 0));
    auto* metals = w->findChild<QTreeWidget*>("Metals");
    const FormatSettings format = UsEnglishFormatSettings();
    const RatesState first = ReadRates("x,650.06,12.49,1200.84,319.74", {}, format);
    w->ShowRates(first);
    QString failure;
    QTRY_VERIFY2_WITH_TIMEOUT(CellsFit(list, &failure), qPrintable(failure), 2000);

    w->ShowRates(ReadRates("x,651.00,12.40,1201.00,318.00", first, format));
    w->resize(w->width(), w->height() - 4 * list->sizeHintForRow(0));
    QTRY_VERIFY(list->verticalScrollBar()->isVisible());
    // Balances arrive while the scroll bar shows, and the window is made narrower again.
    list->model()->setData(list->model()->index(1, 1), QStringLiteral("$2117.765"));
    QTest::qWait(50);
    w->resize(w->width() - 10, w->height());
    QTRY_VERIFY2_WITH_TIMEOUT(CellsFit(list, &failure), qPrintable(failure), 2000);
    QVERIFY(!list->horizontalScrollBar()->isVisible());
    const QRect last = metals->visualRect(metals->model()->index(kMetalCount - 1, 0));
    QVERIFY2(last.isValid() && last.bottom() <= metals->viewport()->height(), "the last metal row is cut");
  }
};

NUMMORA_QTEST_MAIN(TestMainWindowLayout)
#include "test_main_window_layout.moc"
