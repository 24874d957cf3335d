// The history viewer without a network: an e-gold export read into the list with its totals
// and the note on amounts left out of them, the row commands of a fee row, and printing to a
// PDF file (pages, header, captions, every row once, in list order and with every cell whole),
// also of an empty list, and the file name the print dialog offers; a long export listed a few
// times and fitted to the rows in view.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPdfWriter>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "history/history_download_dialog.h"
#include "history/history_list_model.h"
#include "history/history_viewer.h"
#include "support/app_test_support.h"
#include "support/qt_test_main.h"
#include "support/worker_test_support.h"

using namespace nummora;

namespace {

const char kHeader[] =
    "\"Date\",\"Type\",\"Batch\",\"Metal\",\"Ounces\",\"Counter\",\"Name\",\"USD\",\"Unit\",\"Price\","
    "\"Memo\",\"PaymentID\"";

// Row i: the date and time of DateOf(i), a batch of eight digits, every fifth row a fee.
QString DateOf(int i) {
  return QStringLiteral("03/07/2006 1%1:%2:%3")
      .arg(i % 10)
      .arg(i % 60, 2, 10, QLatin1Char('0'))
      .arg(i * 7 % 60, 2, 10, QLatin1Char('0'));
}

std::string Rows(int count) {
  std::string reply = kHeader;
  for (int i = 1; i <= count; ++i) {
    char line[300];
    std::snprintf(line, sizeof line,
                  "\r\n\"%s\",\"%s\",%d,Gold,0.1,1001002,\"Bob "
                  "Metals\",1.25,\"USD\",650,\"row-%03d\",\"P\"",
                  DateOf(i).toLatin1().constData(), i % 5 == 0 ? "Payment Receive Fee" : "Payment Received",
                  41000000 + i, i);
    reply += line;
  }
  return reply + "\r\n";
}

std::string LRPage() {
  std::string page = "<HistoryResponse id=\"1\" date=\"x\">";
  const char* names[] = {"Erin Shop", "", "Dave Reserve", "Grace Bakery"};
  for (int i = 0; i < 12; ++i) {
    const bool in = i % 3 != 2;
    const std::string name = in ? names[i % 4] : "Grace Bakery";
    const std::string other = "U100000" + std::to_string(1 + i % 8);
    page += "<Receipt><ReceiptId>" + std::to_string(7312 - i) + "</ReceiptId><Date>2026-09-12 1" +
            std::to_string(i % 10) + ":0" + std::to_string(i % 6) + "</Date><PayerName>" +
            (in ? name : "Me") + "</PayerName><PayeeName>" + (in ? "Me" : name) + "</PayeeName><Amount>" +
            (in ? "" : "-") + std::to_string(10 + i * 7) + ".50</Amount><Transfer><Payer>" +
            (in ? other : "U2000001") + "</Payer><Payee>" + (in ? "U2000001" : other) +
            "</Payee><CurrencyId>" + (i % 4 ? "LRUSD" : "LREUR") + "</CurrencyId><Memo>Order " +
            std::to_string(4000 + i) + "</Memo></Transfer><Merchant>" +
            (i % 2 ? "INV-" + std::to_string(90 + i) : "") + "</Merchant></Receipt>";
  }
  return page +
         "<Pager><PageSize>50</PageSize><PageNumber>1</PageNumber><PageCount>1</PageCount></Pager>"
         "</HistoryResponse>";
}

// Shows the window, checks that it drew a full picture, and keeps it as a PNG file in `folder`.
void Picture(QWidget& w, const QString& folder, const char* name) {
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  const QPixmap picture = w.grab();
  const QImage image = picture.toImage();
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); y += 4)
    for (int x = 0; x < image.width(); x += 4) colours.insert(image.pixel(x, y));
  QVERIFY(colours.size() > 10);
  QVERIFY(picture.save(folder + "/" + name, "PNG"));
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

  HistoryViewer* Make(const std::string& reply) {
    AccountRecord account;
    account.Type = AccountType::Egold;
    account.ID = "1001001";
    account.Index = 4;
    HistoryServices services;
    services.host = host_.get();
    services.boxes = &boxes_;
    services.storeBatch = [this](int position, int32_t batch, TDateTime) {
      stored_.push_back({position, batch});
    };
    services.payments.addContact = [](QWidget*, const std::string&, AccountType, const std::string&) {};
    services.applicationTitle = QStringLiteral("Nummora 4.4");
    return new HistoryViewer(account, reply, std::string(), EncodeDate(2006, 3, 7),
                             QStringLiteral("History of 1001001 from 3/1/2006 to 3/7/2006"), services);
  }

  HistoryViewer* Open(const std::string& reply) {
    HistoryViewer* viewer = Make(reply);
    viewer->show();
    QPointer<HistoryViewer> guard(viewer);
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
    const std::string reply =
        std::string(kHeader) +
        "\r\n\"d1\",\"Payment Received\",7,Gold,1,1001002,\"Bob\",10.5,\"USD\",1,\"m\",\"\""
        "\r\n\"d2\",\"Payment Received\",8,Gold,1,1001002,\"Bob\",n/a,\"USD\",1,\"m\",\"\""
        "\r\n\"d3\",\"Storage Fee\",9,Gold,1,,\"\",0.25,\"USD\",1,\"fee memo\",\"\"";
    HistoryViewer* viewer = Open(reply);
    QVERIFY(viewer);
    QCOMPARE(viewer->Rows().rowCount(), 3);
    QCOMPARE(viewer->StatusTexts(),
             (QStringList{QStringLiteral("Total received: $10.5"), QStringLiteral("Total fee: $0.25"),
                          QStringLiteral("1 row left out of the totals: its amount is not a number")}));
    QCOMPARE(stored_, (std::vector<std::pair<int, int32_t>>{{4, 9}}));

    // The fee row (newest, at the top) has no account number: nothing to add or copy.
    auto* list = viewer->findChild<QAbstractItemView*>(QStringLiteral("List"));
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

  // A long export is read in slices but laid out and painted a few times, not after every
  // slice; its columns are fitted to the rows in view, not to rows further down.
  void longExportIsListedAFewTimesAndFittedToTheRowsInView() {
    const int count = 65535;
    const std::string wide = "03/07/2006 10:00:00 and a text much wider than any date";
    std::string reply = kHeader;
    for (int i = 1; i <= count; ++i)
      reply += "\r\n\"" + (i == count - 100 ? wide : std::string("03/07/2006 10:00:00")) +
               "\",\"Payment Received\"," + std::to_string(41000000 + i) +
               ",Gold,0.1,1001002,\"Bob\",1.25,\"USD\",650,\"m\",\"P\"";
    QPointer<HistoryViewer> viewer = Make(reply);
    int listings = 0;
    connect(&viewer->Rows(), &QAbstractItemModel::rowsInserted, this, [&] { ++listings; });
    viewer->show();
    QVERIFY(QTest::qWaitFor([&] { return viewer && viewer->Complete(); }, 20000));
    QCOMPARE(viewer->Rows().rowCount(), count);
    QCOMPARE(viewer->Rows().data(viewer->Rows().index(100, 0)).toString(), QString::fromLatin1(wide.c_str()));
    QVERIFY2(listings <= 6, qPrintable(QStringLiteral("listed %1 times").arg(listings)));
    auto* list = viewer->findChild<QTableView*>(QStringLiteral("List"));
    QTest::qWait(50);
    QVERIFY(list->rowAt(list->viewport()->height()) < 100);
    QVERIFY(list->columnWidth(0) < list->fontMetrics().horizontalAdvance(QString::fromLatin1(wide.c_str())));
  }

  void printsEveryRowOnPagesOfAPdf() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
      QSKIP("pdftotext (poppler-utils) is not installed");
    const int count = 120;
    HistoryViewer* viewer = Open(Rows(count));
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
    for (const QString& caption : HistoryListModel::Captions(AccountType::Egold))
      QVERIFY2(pages[0].contains(caption), qPrintable(caption));
    // Each page has its header and number; the rows run on, newest first, each exactly once,
    // each with its whole batch number of eight digits.
    const QRegularExpression batch(QStringLiteral("\\b41(\\d{6})\\b"));
    int perPage = 0;
    for (auto it = batch.globalMatch(pages[0]); it.hasNext(); it.next()) ++perPage;
    QVERIFY(perPage > 0);
    QCOMPARE(pages.size(), (count + perPage - 1) / perPage);
    int next = count;
    for (int page = 0; page < pages.size(); ++page) {
      QVERIFY(pages[page].contains(QStringLiteral("Page # %1").arg(page + 1)));
      QVERIFY(pages[page].contains(QStringLiteral("To/From")));
      for (auto it = batch.globalMatch(pages[page]); it.hasNext();)
        QCOMPARE(it.next().captured(1).toInt(), next--);
    }
    QCOMPARE(next, 0);
    // Every other cell is printed whole too: each date with its time, each "Payment Receive Fee".
    const QString all = pages.join(QLatin1Char('\n'));
    for (int i = 1; i <= count; ++i) QVERIFY2(all.contains(DateOf(i)), qPrintable(DateOf(i)));
    QCOMPARE(all.count(QStringLiteral("Payment Receive Fee")), count / 5);
  }

  // Printing to a file offers the job's whole title as the file name, not a name cut at the dot
  // of the version.
  void printingToAFileOffersTheWholeTitle() {
    HistoryViewer* viewer = Open(Rows(3));
    QVERIFY(viewer);
    QString offered;
    bool seen = false;
    QTimer::singleShot(0, this, [&] {
      QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeModalWidget(), 10000);
      QWidget* dialog = QApplication::activeModalWidget();
      if (auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"))) offered = file->text();
      seen = true;
      QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
    });
    viewer->findChild<QAction*>(QStringLiteral("Print"))->trigger();
    QVERIFY(seen);
    QVERIFY2(
        offered.endsWith(QStringLiteral("/Nummora 4.4 - History of 1001001 from 3-1-2006 to 3-7-2006.pdf")),
        qPrintable(offered));
  }

  // With NUMMORA_SCREENSHOT_DIR set (under xvfb-run) the pictures are kept for docs/screenshots.
  void screenshots() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QTemporaryDir temp;
    const QString folder = qEnvironmentVariable("NUMMORA_SCREENSHOT_DIR", temp.path());
    QDir().mkpath(folder);
    AccountRecord egold;
    egold.ID = "1001001";
    egold.Name = "Alice Goldsmith";
    {
      HistoryDownloadDialog download(egold, HistoryServices{});
      download.setAttribute(Qt::WA_DeleteOnClose, false);
      download.findChild<QLineEdit*>(QStringLiteral("eMerchant"))->setText(QStringLiteral("INV-2041"));
      Picture(download, folder, "history-download.png");
    }
    std::string reply = kHeader;
    const char* kinds[] = {"Payment Received", "Payment Made", "Payment Receive Fee", "Payment Received"};
    for (int i = 0; i < 24; ++i) {
      char line[300];
      const bool fee = i % 4 == 2;
      std::snprintf(
          line, sizeof line,
          "\r\n\"09/%02d/2026 1%d:%02d:00\",\"%s\",%d,%s,%s,%s,\"%s\",%d.%02d,\"USD\",650.00,\"%s\",\"%s\"",
          1 + i, i % 10, (i * 7) % 60, kinds[i % 4], 41000100 + i, i % 5 ? "Gold" : "Silver", "0.01",
          fee ? "" : (i % 2 ? "1001002" : "1001003"), fee ? "" : (i % 2 ? "Bob Metals" : "Carol Empty"),
          fee ? 0 : 5 + i * 3, (i * 13) % 100, fee ? "Receive fee" : "Invoice", i % 3 ? "" : "SHOP-7");
      reply += line;
    }
    HistoryViewer* viewer = Open(reply);
    QVERIFY(viewer);
    viewer->resize(1028, 520);
    viewer->findChild<QAbstractItemView*>(QStringLiteral("List"))
        ->setCurrentIndex(viewer->Rows().index(1, 0));
    Picture(*viewer, folder, "history-viewer-egold.png");
    {
      QPdfWriter pdf(folder + "/history-print.pdf");
      QVERIFY(viewer->PrintTo(pdf) == 1);
    }
    if (!QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
      QCOMPARE(QProcess::execute(
                   QStringLiteral("pdftoppm"),
                   {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"),
                    QStringLiteral("-singlefile"), folder + "/history-print.pdf", folder + "/history-print"}),
               0);
    QFile::remove(folder + "/history-print.pdf");
    delete viewer;

    AccountRecord lr;
    lr.Type = AccountType::LibertyReserve;
    lr.ID = "U2000001";
    HistoryServices services;
    services.host = host_.get();
    auto* pages =
        new HistoryViewer(lr, LRPage(), std::string(), 0,
                          QStringLiteral("History of U2000001 from 9/1/2026 to 9/12/2026"), services);
    pages->resize(1028, 420);
    Picture(*pages, folder, "history-viewer-lr.png");
    QCOMPARE(pages->Rows().rowCount(), 12);
    delete pages;
  }

  // The pass phrase and the Liberty Reserve request with its token are wiped when their use
  // ends: the dialog's when it closes, the viewer's when no further page is to be asked for.
  void secretsAreWipedWhenTheirUseEnds() {
    AccountRecord egold;
    egold.ID = "1001001";
    egold.Password = "alice gold 2006";
    auto* dialog = new HistoryDownloadDialog(egold, HistoryServices{});
    QPointer<HistoryDownloadDialog> guard(dialog);
    dialog->show();
    QVERIFY(dialog->HoldsSecrets());  // kept for a download tried again
    dialog->reject();
    QVERIFY(guard && !dialog->HoldsSecrets());
    delete dialog;

    HistoryServices services;
    services.host = host_.get();
    auto* egoldViewer =
        new HistoryViewer(egold, Rows(2), std::string(), 0, QStringLiteral("History"), services);
    QVERIFY(!egoldViewer->HoldsSecrets());
    delete egoldViewer;

    AccountRecord lr;
    lr.Type = AccountType::LibertyReserve;
    lr.ID = "U2000001";
    lr.APIname = "api";
    lr.Password = "security-word";
    auto* lrViewer = new HistoryViewer(lr, LRPage(), "<HistoryRequest id=\"1\"><Auth><Token>T</Token></Auth>",
                                       0, QStringLiteral("History"), services);
    QVERIFY(lrViewer->HoldsSecrets());
    lrViewer->show();
    QTRY_VERIFY_WITH_TIMEOUT(lrViewer->Complete(), 10000);
    QVERIFY(!lrViewer->HoldsSecrets());
    delete lrViewer;
  }

  // A server that sends a page it has sent before does not keep the viewer asking for ever.
  void aRepeatedPageStopsThePaging() {
    StartPeer();
    BeginTest();
    const std::string page =
        "<HistoryResponse><Receipt><ReceiptId>1</ReceiptId><Amount>2</Amount></Receipt>"
        "<Pager><PageNumber>1</PageNumber><PageCount>3</PageCount></Pager></HistoryResponse>";
    peer_->Answer(page);
    AccountRecord account;
    account.Type = AccountType::LibertyReserve;
    account.ID = "U2000001";
    account.APIname = "api";
    account.Password = "secret-word";
    HistoryServices services;
    services.host = host_.get();
    services.boxes = &boxes_;
    services.libertyReserve = peer_->Base();
    auto* viewer = new HistoryViewer(account, page, "<HistoryRequest id=\"1\"><History>", 0,
                                     QStringLiteral("History"), services);
    QPointer<HistoryViewer> guard(viewer);
    viewer->show();
    QTRY_VERIFY_WITH_TIMEOUT(viewer->Failed(), 20000);
    QCOMPARE(boxes_.shown.size(), std::size_t(1));
    QVERIFY2(boxes_.LastText().contains(QStringLiteral("page 1 again")), qPrintable(boxes_.LastText()));
    QCOMPARE(viewer->Rows().rowCount(), 1);
    QVERIFY(!viewer->HoldsSecrets());
    QCOMPARE(peer_->Requests().size(), std::size_t(1));
    StopPeer();
  }

  void anEmptyReplyPrintsTheHeaderOnly() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
      QSKIP("pdftotext (poppler-utils) is not installed");
    HistoryViewer* viewer = Open(std::string());
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

NUMMORA_QTEST_MAIN(TestHistoryViewer)
#include "test_history_viewer.moc"
