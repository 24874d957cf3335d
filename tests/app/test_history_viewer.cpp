// The history viewer without a network: an e-gold export read into the list with its totals
// and the note on amounts left out of them, the row commands of a fee row, and printing to a
// PDF file (pages, header, captions, every row once and in list order), also of an empty list.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QPdfWriter>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <memory>

#include "history/history_list_model.h"
#include "history/history_viewer.h"
#include "support/app_test_support.h"
#include "support/worker_test_support.h"

using namespace nummora;

namespace {

const char kHeader[] = "\"Date\",\"Type\",\"Batch\",\"Metal\",\"Ounces\",\"Counter\",\"Name\",\"USD\",\"Unit\",\"Price\",\"Memo\",\"PaymentID\"";

std::string Rows(int count) {
  std::string reply = kHeader;
  for (int i = 1; i <= count; ++i) {
    char line[200];
    std::snprintf(line, sizeof line,
                  "\r\n\"03/07/2006\",\"Payment Received\",%d,Gold,0.1,1001002,\"Bob Metals\",1.25,\"USD\",650,\"row-%03d\",\"P\"",
                  41000000 + i, i);
    reply += line;
  }
  return reply + "\r\n";
}

// The text of each page of a PDF file (pdftotext separates pages by form feeds).
QStringList PdfPages(const QString& path) {
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
  if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
  QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
  while (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
  return pages;
}

}  // namespace

class TestHistoryViewer : public QObject, nummora::test::WorkerTestBench {
  Q_OBJECT

  nummora::test::RecordingBoxes boxes_;
  std::vector<std::pair<int, int32_t>> stored_;

  TfHistory* Open(const std::string& reply) {
    TAccount account;
    account.Type = kAccountTypeEgold;
    account.ID = "1001001";
    account.Index = 4;
    THistoryServices services;
    services.host = host_.get();
    services.boxes = &boxes_;
    services.storeBatch = [this](int position, int32_t batch, TDateTime) { stored_.push_back({position, batch}); };
    services.payments.addContact = [](QWidget*, const std::string&, int, const std::string&) {};
    auto* viewer = new TfHistory(account, reply, std::string(), EncodeDate(2006, 3, 7),
                                 QStringLiteral("History of 1001001 from 3/1/2006 to 3/7/2006"), services);
    viewer->show();
    QPointer<TfHistory> guard(viewer);
    if (!QTest::qWaitFor([&] { return guard && guard->Complete(); }, 20000)) return nullptr;
    return viewer;
  }

 private slots:
  void init() {
    BeginTest();
    stored_.clear();
    boxes_.shown.clear();
  }
  void cleanup() {
    EndTest();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == QLatin1String("fHistory")) delete w;
  }

  void totalsLeaveOutAmountsThatAreNoNumbers() {
    const std::string reply = std::string(kHeader) +
                              "\r\n\"d1\",\"Payment Received\",7,Gold,1,1001002,\"Bob\",10.5,\"USD\",1,\"m\",\"\""
                              "\r\n\"d2\",\"Payment Received\",8,Gold,1,1001002,\"Bob\",n/a,\"USD\",1,\"m\",\"\""
                              "\r\n\"d3\",\"Storage Fee\",9,Gold,1,,\"\",0.25,\"USD\",1,\"fee memo\",\"\"";
    TfHistory* viewer = Open(reply);
    QVERIFY(viewer);
    QCOMPARE(viewer->Rows().rowCount(), 3);
    QCOMPARE(viewer->StatusTexts(),
             (QStringList{QStringLiteral("Total received: $10.5"), QStringLiteral("Total fee: $0.25"),
                          QStringLiteral("1 row left out of the totals: its amount is not a number")}));
    QCOMPARE(stored_, (std::vector<std::pair<int, int32_t>>{{4, 9}}));

    // The fee row (newest, at the top) has no account number: nothing to add or copy.
    auto* list = viewer->findChild<QTreeView*>(QStringLiteral("List"));
    list->setCurrentIndex(viewer->Rows().index(0, 0));
    QCOMPARE(viewer->Rows().data(viewer->Rows().index(0, 7)).toString(), QStringLiteral("0.25 USD"));
    QVERIFY(!viewer->findChild<QAction*>(QStringLiteral("AddToAddressBook"))->isEnabled());
    QApplication::clipboard()->setText(QStringLiteral("untouched"));
    viewer->findChild<QAction*>(QStringLiteral("CopyAccount"))->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("untouched"));
    list->setCurrentIndex(viewer->Rows().index(2, 0));
    QVERIFY(viewer->findChild<QAction*>(QStringLiteral("AddToAddressBook"))->isEnabled());
    viewer->findChild<QAction*>(QStringLiteral("CopyAccount"))->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("1001002"));
  }

  void printsEveryRowOnPagesOfAPdf() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
      QSKIP("pdftotext (poppler-utils) is not installed");
    const int count = 120;
    TfHistory* viewer = Open(Rows(count));
    QVERIFY(viewer);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.pdf"));
    int printed = 0;
    {
      QPdfWriter pdf(path);
      pdf.setPageSize(QPageSize(QPageSize::A4));
      printed = viewer->PrintTo(pdf);
    }
    const QStringList pages = PdfPages(path);
    QCOMPARE(pages.size(), printed);
    QVERIFY2(pages.size() > 1, "120 rows fit on one page");
    QVERIFY(pages[0].contains(QStringLiteral("History of 1001001 from 3/1/2006 to 3/7/2006")));
    for (const QString& caption : THistoryListModel::Captions(kAccountTypeEgold))
      QVERIFY2(pages[0].contains(caption), qPrintable(caption));
    // Each page has its header and number; the rows run on, newest first, each exactly once.
    const int perPage = pages[0].count(QStringLiteral("row-"));
    QCOMPARE(pages.size(), (count + perPage - 1) / perPage);
    int next = count;
    for (int page = 0; page < pages.size(); ++page) {
      QVERIFY(pages[page].contains(QStringLiteral("Page # %1").arg(page + 1)));
      QVERIFY(pages[page].contains(QStringLiteral("To/From")));
      for (int at = pages[page].indexOf(QStringLiteral("row-")); at >= 0;
           at = pages[page].indexOf(QStringLiteral("row-"), at + 1))
        QCOMPARE(pages[page].mid(at + 4, 3).toInt(), next--);
    }
    QCOMPARE(next, 0);
  }

  void anEmptyReplyPrintsTheHeaderOnly() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
      QSKIP("pdftotext (poppler-utils) is not installed");
    TfHistory* viewer = Open(std::string());
    QVERIFY(viewer);
    QCOMPARE(viewer->Rows().rowCount(), 0);
    QVERIFY(!viewer->findChild<QAction*>(QStringLiteral("SaveToFile"))->isEnabled());
    QVERIFY(!viewer->findChild<QAction*>(QStringLiteral("Print"))->isEnabled());
    QVERIFY(!viewer->findChild<QAction*>(QStringLiteral("EmailDetails"))->isEnabled());
    QVERIFY(stored_.empty());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("empty.pdf"));
    {
      QPdfWriter pdf(path);
      QCOMPARE(viewer->PrintTo(pdf), 1);
    }
    const QStringList pages = PdfPages(path);
    QCOMPARE(pages.size(), 1);
    QVERIFY(pages[0].contains(QStringLiteral("Page # 1")));
    QVERIFY(pages[0].contains(QStringLiteral("Merchant")));
  }
};

QTEST_MAIN(TestHistoryViewer)
#include "test_history_viewer.moc"
