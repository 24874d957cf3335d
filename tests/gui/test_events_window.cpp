// The events list: entries and lines as the rest of the program writes them, and text that
// survives hiding the window.
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

#include "support/qt_test_main.h"
#include "ui/events_window.h"

using nummora::EventsWindow;

class TestEventsWindow : public QObject {
  Q_OBJECT
 private slots:
  void entriesAndLines_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty title gives three lines") << ""
                                                   << "reply"
                                                   << "\nreply\n";
    QTest::newRow("title line") << "10:01:02 AM: <U123>"
                                << "sent - 12 bytes"
                                << "\n10:01:02 AM: <U123>\nsent - 12 bytes\n";
    QTest::newRow("line breaks split") << "Response"
                                       << "a\r\nb\nc"
                                       << "\nResponse\na\nb\nc\n";
  }
  void entriesAndLines() {
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    EventsWindow events;
    events.AddEntry(title.toStdString(), text.toStdString());
    QCOMPARE(events.Text(), expected);
  }

  void linesAppendInOrderAfterEntries() {
    EventsWindow events;
    events.AddLine("first");
    events.AddEntry("Catalog", "http://127.0.0.1/services/directory.php");
    events.AddLine("Range check error");
    QCOMPARE(
        events.Text(),
        QStringLiteral("first\n\nCatalog\nhttp://127.0.0.1/services/directory.php\n\nRange check error"));
  }

  void latin1TextShowsAsSuch() {
    EventsWindow events;
    events.AddLine(std::string("caf\xE9"));
    QCOMPARE(events.Text(), QString::fromUtf8("caf\xC3\xA9"));
  }

  void closingHidesAndKeepsText() {
    QWidget main;
    main.resize(443, 339);
    main.show();
    EventsWindow events(&main);
    QCOMPARE(events.windowTitle(), QStringLiteral("Events list"));
    events.ShowEvents();
    QVERIFY(events.isVisible());
    events.AddLine("before close");
    QVERIFY(events.close());
    QVERIFY(!events.isVisible());
    events.AddLine("while hidden");
    events.ShowEvents();
    QVERIFY(events.isVisible());
    QCOMPARE(events.Text(), QStringLiteral("before close\nwhile hidden"));
    auto* memo = events.findChild<QPlainTextEdit*>("Memo");
    QVERIFY(memo && !memo->isReadOnly());
  }

  // A hidden window only collects what is written; showing it puts every line into the text
  // box in order (a leading empty line and line breaks included), and while it is visible new
  // lines follow on the next turn of the event loop.
  void hiddenWindowShowsCollectedLinesWhenShown() {
    QWidget main;
    main.resize(443, 339);
    main.show();
    EventsWindow events(&main);
    auto* memo = events.findChild<QPlainTextEdit*>("Memo");
    QVERIFY(memo);
    events.AddEntry("", "first\r\nsecond");
    events.AddLine("third");
    QCOMPARE(memo->toPlainText(), QString());
    const QString expected = QStringLiteral("\nfirst\nsecond\n\nthird");
    QCOMPARE(events.Text(), expected);
    events.ShowEvents();
    QCOMPARE(memo->toPlainText(), expected);
    QCOMPARE(memo->document()->blockCount(), 5);
    events.AddLine("fourth");
    QCOMPARE(events.Text(), expected + "\nfourth");
    QTRY_COMPARE(memo->toPlainText(), expected + "\nfourth");
    QCOMPARE(memo->verticalScrollBar()->value(), memo->verticalScrollBar()->maximum());
  }

  // Many lines written while hidden: once shown, the newest one is in view.
  void newestLineInViewAfterShowing() {
    QWidget main;
    main.resize(443, 339);
    main.show();
    EventsWindow events(&main);
    for (int i = 0; i < 200; ++i) events.AddEntry("10:00:00: <1001001>", "line " + std::to_string(i));
    events.ShowEvents();
    QVERIFY(QTest::qWaitForWindowExposed(&events));
    auto* memo = events.findChild<QPlainTextEdit*>("Memo");
    QVERIFY(memo);
    QScrollBar* bar = memo->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    QTRY_COMPARE(bar->value(), bar->maximum());
    // The block at the bottom of the view is one of the last entry's.
    const QTextCursor bottom = memo->cursorForPosition(QPoint(5, memo->viewport()->height() - 5));
    QVERIFY2(bottom.block().blockNumber() >= memo->document()->blockCount() - 4,
             qPrintable(bottom.block().text()));
  }
};

NUMMORA_QTEST_MAIN(TestEventsWindow)
#include "test_events_window.moc"
