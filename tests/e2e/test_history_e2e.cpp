// The history download dialog and the history viewer against the sandbox, driven by object
// name: an e-gold history after a payment made in the test (its row, the totals, Batch and
// BatchDate written back, save, copy and e-mail commands), the refusals of the download ("No
// Records Found", a login error, a transport failure), a Liberty Reserve history of three
// pages with the progress bar moving, the same with the Pager before the receipts, an error on
// the second page, and a viewer closed while its pages load.
#include <sys/stat.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/main_window_host.h"
#include "common/currency.h"
#include "common/datetime.h"
#include "common/text_routines.h"
#include "history/history_download_dialog.h"
#include "history/history_list_model.h"
#include "history/history_viewer.h"
#include "history/lr_history.h"
#include "net/form_encoding.h"
#include "net/liberty_reserve.h"
#include "support/app_test_support.h"
#include "support/main_window_fixture.h"
#include "support/sandbox_process.h"
#include "support/worker_test_support.h"
// The sandbox runner is plain C++ kept with the GoogleTest support library, which this Qt test
// does not link; its one source file is compiled in here.
#include "support/qt_test_main.h"
#include "support/sandbox_process.cpp"

using namespace nummora;
using nummora::test::RecordingBoxes;
using nummora::test::SandboxProcess;

namespace {

struct StoredBatch {
  int position;
  int32_t batch;
  TDateTime date;
};

QString Cell(const HistoryViewer& viewer, int row, int column) {
  return viewer.Rows().data(viewer.Rows().index(row, column)).toString();
}

}  // namespace

class TestHistoryE2E : public QObject, nummora::test::WorkerTestBench {
  Q_OBJECT

  std::unique_ptr<SandboxProcess> sandbox_;
  RecordingBoxes boxes_;
  std::vector<StoredBatch> stored_;
  std::vector<PaymentNotice> notices_;
  bool noticeModal_ = true;
  std::vector<std::string> contacts_;

  int Add(int32_t type, const std::string& id, const std::string& password, const std::string& api = "") {
    AccountRecord a;
    a.Type = static_cast<AccountType>(type);
    a.ID = id;
    a.Name = type == 0 ? "Mine" : "";
    a.Password = password;
    a.APIname = api;
    const int position = host_->model.AppendAccount(a);
    host_->model.Account(position).Index = position;
    return position;
  }

  HistoryServices Services() {
    HistoryServices s;
    s.host = host_.get();
    s.egoldSecure = sandbox_->EgoldSecureUrl();
    s.libertyReserve = sandbox_->LibertyReserveUrl();
    s.boxes = &boxes_;
    s.storeBatch = [this](int position, int32_t batch, TDateTime date) {
      stored_.push_back({position, batch, date});
    };
    s.payments.emailNotice = [this](QWidget*, const PaymentNotice& notice, bool modal) {
      notices_.push_back(notice);
      noticeModal_ = modal;
    };
    s.payments.addContact = [this](QWidget*, const std::string& name, AccountType type,
                                   const std::string& number) {
      contacts_.push_back(name + "|" + std::to_string(static_cast<int>(type)) + "|" + number);
    };
    return s;
  }

  // Opens the download dialog for an entry and presses "&Download"; the viewer it opened, or
  // nullptr when the dialog stayed (then it is handed back in `dialogOut`).
  HistoryViewer* Download(int position, HistoryServices services,
                          QPointer<HistoryDownloadDialog>* dialogOut = nullptr,
                          const std::function<void(HistoryDownloadDialog&)>& setUp = {}) {
    auto* dialog = new HistoryDownloadDialog(host_->model.Account(position), std::move(services));
    QPointer<HistoryDownloadDialog> guard(dialog);
    HistoryViewer* viewer = nullptr;
    connect(dialog, &HistoryDownloadDialog::ViewerOpened, this, [&viewer](HistoryViewer* v) { viewer = v; });
    dialog->show();
    if (setUp) setUp(*dialog);
    const std::size_t boxes = boxes_.shown.size();
    dialog->findChild<QPushButton*>(QStringLiteral("bDownload"))->click();
    if (!QTest::qWaitFor([&] { return viewer || boxes_.shown.size() > boxes; }, 30000)) return nullptr;
    if (dialogOut) *dialogOut = guard;
    return viewer;
  }

  static bool WaitFinished(HistoryViewer* viewer, int timeoutMs = 30000) {
    QPointer<HistoryViewer> guard(viewer);
    return QTest::qWaitFor([&] { return guard && (guard->Complete() || guard->Failed()); }, timeoutMs);
  }

  // The first page of a Liberty Reserve history as the sandbox sends it, and the request prefix
  // that asks for the following pages.
  std::string FirstLRPage(const AccountRecord& account, std::string* prefix) {
    HistoryFilters filters;
    filters.from = Today() - 1;
    filters.to = Today() + 1;
    *prefix = LRHistoryRequestPrefix(account, filters, LRRequestId(), LocalToUtc(0));
    HttpOptions options;
    options.CAFile = sandbox_->CaFile();
    HttpClient client(options);
    const HttpResult result = client.Post(sandbox_->LibertyReserveUrl() + kLRHistoryPath,
                                          FormBodyFromText(LRFormBody(LRHistoryPageRequest(*prefix, 1))));
    return result.Body;
  }

  // A payment of 0.01 oz of gold from Alice to Bob, made now; its batch.
  std::string PayBob() {
    HttpOptions options;
    options.CAFile = sandbox_->CaFile();
    HttpClient client(options);
    const HttpResult paid = client.Post(
        sandbox_->EgoldSecureUrl() + "/acct/confirm.asp",
        FormBodyFromText(
            "AccountID=1001001\r\nPassPhrase=alice gold 2006\r\nPayee_Account=1001002\r\nAmount=0.01\r\n"
            "PAY_IN=9999\r\nWORTH_OF=Gold\r\nMemo=history, 'test'\r\nPAYMENT_ID=H-1"));
    return paid.Succeeded ? ExtractHiddenInput("PAYMENT_BATCH_NUM", paid.Body) : std::string();
  }

  void Transfers(const char* payer, const char* payee, int count) {
    std::string reply;
    long status = 0;
    const std::string body = std::string("{\"payer\": \"") + payer + "\", \"payee\": \"" + payee +
                             "\", \"count\": " + std::to_string(count) + "}";
    QVERIFY(sandbox_->Control("POST", "/control/lr-transfers", body, &reply, &status));
    QCOMPARE(status, 200L);
  }

  // Receipts the sandbox holds for a Liberty Reserve account, and history requests made.
  int ReceiptsOf(const QString& account) {
    std::string json;
    if (!sandbox_->Ledger(&json)) return -1;
    int count = 0;
    for (const QJsonValue& r :
         QJsonDocument::fromJson(QByteArray::fromStdString(json))["lr_receipts"].toArray())
      if (r["payer"].toString() == account || r["payee"].toString() == account) ++count;
    return count;
  }
  int HistoryRequests() {
    std::string json;
    if (!sandbox_->Requests(&json)) return -1;
    int count = 0;
    for (const QJsonValue& r : QJsonDocument::fromJson(QByteArray::fromStdString(json)).array())
      if (r["path"].toString() == QLatin1String(kLRHistoryPath)) ++count;
    return count;
  }

 private slots:
  void initTestCase() {
    sandbox_ = std::make_unique<SandboxProcess>();
    std::string error;
    QVERIFY2(sandbox_->Start(&error), error.c_str());
  }
  void cleanupTestCase() { sandbox_.reset(); }

  void init() {
    BeginTest();
    host_->caFile = sandbox_->CaFile();
    boxes_.shown.clear();
    stored_.clear();
    notices_.clear();
    contacts_.clear();
  }
  void cleanup() {
    QVERIFY(sandbox_->ClearFaults());
    QVERIFY(sandbox_->Control("POST", "/control/latency", "{\"ms\": 0}", nullptr));
    QVERIFY(sandbox_->Control("POST", "/control/lr-layout", "{\"pager_first\": false, \"spaced\": false}",
                              nullptr));
    EndTest();
  }

  void egoldHistoryAfterAPayment() {
    const std::string batch = PayBob();
    QVERIFY(!batch.empty());

    const int position = Add(0, "1001001", "alice gold 2006");
    HistoryViewer* viewer = Download(position, Services());
    QVERIFY2(viewer, qPrintable(boxes_.LastText()));
    QPointer<HistoryViewer> guard(viewer);
    QVERIFY(WaitFinished(viewer));
    QVERIFY(viewer->Complete());
    QVERIFY(viewer->windowTitle().startsWith(QStringLiteral("History of Mine (1001001) from ")));

    // Newest first: the payment made here heads the list.
    QCOMPARE(Cell(*viewer, 0, 1), QStringLiteral("Payment Made"));
    QCOMPARE(Cell(*viewer, 0, 2), QString::fromStdString(batch));
    QCOMPARE(Cell(*viewer, 0, 3), QStringLiteral("Bob Metals (1001002)"));
    QCOMPARE(Cell(*viewer, 0, 5), QStringLiteral("Gold"));
    QCOMPARE(Cell(*viewer, 0, 6), QStringLiteral("history, 'test'"));
    QCOMPARE(Cell(*viewer, 0, 7), QStringLiteral("H-1"));
    // The dollar amount of the payment, and the made total in its shortest form.
    const QString amount = Cell(*viewer, 0, 4);
    QVERIFY2(amount.endsWith(QStringLiteral(" USD")), qPrintable(amount));
    const std::string usd = amount.chopped(4).toStdString();
    QVERIFY2(viewer->StatusTexts().contains(QStringLiteral("Total made: $") +
                                            QString::fromStdString(CurrToStr(StrToCurr(usd)))),
             qPrintable(viewer->StatusTexts().join(QLatin1Char('|'))));
    // Batch and BatchDate go to the account's entry.
    QCOMPARE(stored_.size(), std::size_t(1));
    QCOMPARE(stored_[0].position, position);
    QCOMPARE(QString::number(stored_[0].batch), QString::fromStdString(batch));
    QCOMPARE(stored_[0].date, Today());

    // The row commands act on the selected row.
    auto* list = viewer->findChild<QAbstractItemView*>(QStringLiteral("List"));
    auto* email = viewer->findChild<QAction*>(QStringLiteral("EmailDetails"));
    QVERIFY(!email->isEnabled());
    list->setCurrentIndex(viewer->Rows().index(0, 0));
    QVERIFY(email->isEnabled());
    viewer->findChild<QAction*>(QStringLiteral("CopyBatch"))->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QString::fromStdString(batch));
    viewer->findChild<QAction*>(QStringLiteral("CopyAccount"))->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("1001002"));
    email->trigger();
    QCOMPARE(notices_.size(), std::size_t(1));
    QCOMPARE(notices_[0].sender, std::string("1001001"));
    QCOMPARE(notices_[0].recipient, std::string("Bob Metals (1001002)"));
    QCOMPARE(notices_[0].amount, usd + " USD of Gold");
    QCOMPARE(notices_[0].batch, batch);
    QVERIFY(!noticeModal_);  // the viewer stays usable beside it
    viewer->findChild<QAction*>(QStringLiteral("AddToAddressBook"))->trigger();
    QCOMPARE(contacts_, std::vector<std::string>{"Bob Metals|0|1001002"});

    // Save replaces an existing file atomically, owner-only, with the reply's lines.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.csv"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old contents that are longer than nothing");
    old.close();
    QString error;
    QVERIFY2(viewer->SaveTo(path, &error), qPrintable(error));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray text = saved.readAll();
    QVERIFY(text.endsWith("\r\n"));
    QVERIFY(text.contains(QByteArray::fromStdString(batch)));
    QVERIFY(!text.contains("old contents"));
    struct stat st {};
    QCOMPARE(::stat(path.toLocal8Bit().constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);
    viewer->close();
    QTRY_VERIFY(guard.isNull());
  }

  // "&View history..." of the main window opens the download for the selected account, and the
  // viewer writes the newest batch and the end date into the window's account table.
  void viewHistoryFromTheMainWindowStoresTheBatch() {
    QVERIFY(sandbox_->ExportServersIni());
    const std::string batch = PayBob();
    QVERIFY(!batch.empty());
    test::MainWindowFixture fixture;
    AccountRecord alice = test::MakeAccount(0, "Alice", "1001001");
    alice.Password = "alice gold 2006";
    std::unique_ptr<MainWindow> window = fixture.Open(fixture.WriteProfile({alice}));
    InstallNetworkWorkers(*window, &fixture.clock);
    window->show();
    test::SelectRow(*window, 0);
    window->Actions().viewHistory->trigger();
    HistoryDownloadDialog* dialog = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<HistoryDownloadDialog*>(w); d && d->isVisible()) dialog = d;
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Alice (1001001)").prepend(QStringLiteral("History of ")));
    HistoryViewer* viewer = nullptr;
    connect(dialog, &HistoryDownloadDialog::ViewerOpened, this, [&viewer](HistoryViewer* v) { viewer = v; });
    dialog->findChild<QPushButton*>(QStringLiteral("bDownload"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(viewer != nullptr, 30000);
    QPointer<HistoryViewer> guard(viewer);
    QVERIFY(WaitFinished(viewer));
    QVERIFY(viewer->Rows().rowCount() > 0);
    QCOMPARE(Cell(*viewer, 0, 2), QString::fromStdString(batch));
    QCOMPARE(QString::number(window->Model().Account(0).Batch), QString::fromStdString(batch));
    QCOMPARE(window->Model().Account(0).BatchDate, Today());
    viewer->close();
    QTRY_VERIFY(guard.isNull());
    window->close();
    // The profile keeps them.
    QCOMPARE(QString::number(fixture.SavedAccounts().at(0).Batch),
             QString::number(window->Model().Account(0).Batch));
  }

  void egoldRefusalsKeepTheDialogOpen_data() {
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("passPhrase");
    QTest::addColumn<bool>("closedPort");
    QTest::addColumn<bool>("noKinds");
    QTest::addColumn<QString>("message");
    QTest::newRow("no records") << "1001003"
                                << "carol-demo" << false << true << "No Records Found";
    QTest::newRow("login error") << "1001002"
                                 << "secret-wrong" << false << false << "1001002";
    QTest::newRow("transport failure") << "1001002"
                                       << "bobmetals77" << true << false << "Connection problem";
  }
  void egoldRefusalsKeepTheDialogOpen() {
    QFETCH(QString, account);
    QFETCH(QString, passPhrase);
    QFETCH(bool, closedPort);
    QFETCH(bool, noKinds);
    QFETCH(QString, message);
    const int position = Add(0, account.toStdString(), passPhrase.toStdString());
    HistoryServices services = Services();
    if (closedPort) services.egoldSecure = test::ClosedPortBase();
    QPointer<HistoryDownloadDialog> dialog;
    HistoryViewer* viewer = Download(position, services, &dialog, [noKinds](HistoryDownloadDialog& d) {
      if (noKinds) d.findChild<QPushButton*>(QStringLiteral("bUnselectAll"))->click();
    });
    QVERIFY(!viewer);
    QCOMPARE(boxes_.shown.size(), std::size_t(1));
    QCOMPARE(boxes_.shown[0].icon, MessageIcon::Error);
    if (message == QLatin1String("1001002"))
      QVERIFY2(boxes_.LastText().contains(message) && boxes_.LastText() != message,
               qPrintable(boxes_.LastText()));
    else
      QCOMPARE(boxes_.LastText(), message);
    // Idle again, inputs as they were.
    QVERIFY(dialog);
    QVERIFY(dialog->findChild<QPushButton*>(QStringLiteral("bDownload"))->isVisible());
    QVERIFY(dialog->findChild<QWidget*>(QStringLiteral("pInputs"))->isEnabled());
    QCOMPARE(dialog->findChild<QCheckBox*>(QStringLiteral("chkReceived"))->isChecked(), !noKinds);
    dialog->close();
    QTRY_VERIFY(dialog.isNull());
  }

  void libertyReserveHistoryOfThreePages() {
    Transfers("U1000002", "U1000003", 120);
    const int expected = ReceiptsOf(QStringLiteral("U1000003"));
    QVERIFY2(expected > 100 && expected <= 150, qPrintable(QString::number(expected)));
    const int position = Add(1, "U1000003", "frankword", "frankapi");
    QVERIFY(sandbox_->ClearRequests());
    QList<int> progress;
    HistoryViewer* viewer = nullptr;
    {
      auto* dialog = new HistoryDownloadDialog(host_->model.Account(position), Services());
      connect(dialog, &HistoryDownloadDialog::ViewerOpened, this, [&](HistoryViewer* v) {
        viewer = v;
        auto* bar = v->findChild<QProgressBar*>(QStringLiteral("Progress"));
        connect(bar, &QProgressBar::valueChanged, this, [&progress, bar](int value) {
          if (bar->maximum() == 3) progress << value;
        });
      });
      dialog->show();
      QTest::keyClick(dialog, Qt::Key_Return);  // Enter downloads
      QTRY_VERIFY_WITH_TIMEOUT(viewer != nullptr, 30000);
    }
    QPointer<HistoryViewer> guard(viewer);
    QVERIFY(WaitFinished(viewer));
    QVERIFY(viewer->Complete());
    QCOMPARE(progress, (QList<int>{1, 2}));
    QVERIFY(!viewer->findChild<QProgressBar*>(QStringLiteral("Progress"))->isVisible());
    QCOMPARE(viewer->StatusTexts(), QStringList());
    QCOMPARE(HistoryRequests(), 3);
    // Every receipt once, in reply order (the sandbox sends the newest first).
    QCOMPARE(viewer->Rows().rowCount(), expected);
    QCOMPARE(viewer->Rows().headerData(2, Qt::Horizontal).toString(), QStringLiteral("Transaction ID"));
    for (int row = 1; row < expected; ++row)
      QVERIFY(Cell(*viewer, row - 1, 2).toLongLong() > Cell(*viewer, row, 2).toLongLong());
    QCOMPARE(Cell(*viewer, 0, 1), QStringLiteral("Payment Received"));
    QCOMPARE(Cell(*viewer, 0, 3), QStringLiteral("Erin Shop (U1000002)"));
    QCOMPARE(Cell(*viewer, 0, 5), QStringLiteral("USD"));
    QCOMPARE(Cell(*viewer, 0, 6), QStringLiteral("transfer 120"));
    // The token never reaches the events list.
    QVERIFY(host_->AllEventText().find("<Token>") != std::string::npos ||
            host_->AllEventText().find("%3cToken%3e") != std::string::npos);
    QVERIFY(host_->AllEventText().find(LRToken("frankword")) == std::string::npos);

    // Every page is saved, in order.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lr.csv"));
    QVERIFY(viewer->SaveTo(path));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray text = saved.readAll();
    QCOMPARE(text.count("<Receipt>"), expected);
    QVERIFY(text.indexOf("<PageNumber>1<") < text.indexOf("<PageNumber>2<"));
    QVERIFY(text.indexOf("<PageNumber>2<") < text.indexOf("<PageNumber>3<"));
    viewer->close();
    QTRY_VERIFY(guard.isNull());
  }

  // A server that writes the Pager before the receipts, with white space between elements:
  // every page is asked for and listed.
  void libertyReserveHistoryWithThePagerFirst() {
    if (ReceiptsOf(QStringLiteral("U1000003")) <= 100) Transfers("U1000002", "U1000003", 120);
    const int expected = ReceiptsOf(QStringLiteral("U1000003"));
    QVERIFY(sandbox_->Control("POST", "/control/lr-layout", "{\"pager_first\": true, \"spaced\": true}",
                              nullptr));
    const int position = Add(1, "U1000003", "frankword", "frankapi");
    QVERIFY(sandbox_->ClearRequests());
    HistoryViewer* viewer = Download(position, Services());
    QVERIFY(viewer);
    QPointer<HistoryViewer> guard(viewer);
    QVERIFY(WaitFinished(viewer));
    QVERIFY(viewer->Complete());
    QCOMPARE(viewer->Rows().rowCount(), expected);
    QCOMPARE(HistoryRequests(), (expected + 49) / 50);
    viewer->close();
    QTRY_VERIFY(guard.isNull());
  }

  void libertyReserveErrorOnTheSecondPage() {
    if (ReceiptsOf(QStringLiteral("U1000003")) <= 50) Transfers("U1000002", "U1000003", 60);
    const int position = Add(1, "U1000003", "frankword", "frankapi");
    std::string prefix;
    const std::string first = FirstLRPage(host_->model.Account(position), &prefix);
    QVERIFY(first.find("<Receipt>") != std::string::npos);
    QVERIFY(sandbox_->AddFaultJson(
        "{\"kind\": \"lr_error\", \"path\": \"/xml/history.aspx\", \"code\": 301, \"text\": \"Busy\", "
        "\"description\": \"Try later\"}"));
    auto* viewer = new HistoryViewer(host_->model.Account(position), first, prefix, Today(),
                                     QStringLiteral("History"), Services());
    QPointer<HistoryViewer> guard(viewer);
    viewer->show();
    QVERIFY(WaitFinished(viewer));
    QVERIFY(viewer->Failed());
    QCOMPARE(boxes_.shown.size(), std::size_t(1));
    QCOMPARE(boxes_.LastText(), QStringLiteral("Error 301: Busy (Try later)"));
    // The rows of the first page stay; the bar keeps its place; no totals, no third request.
    QCOMPARE(viewer->Rows().rowCount(), 50);
    auto* bar = viewer->findChild<QProgressBar*>(QStringLiteral("Progress"));
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->value(), 1);
    QVERIFY(
        viewer->StatusTexts().constFirst().startsWith(QStringLiteral("Loading more transactions... (1/")));
    viewer->close();
    QTRY_VERIFY(guard.isNull());
  }

  void closingTheViewerStopsThePaging() {
    if (ReceiptsOf(QStringLiteral("U1000003")) <= 100) Transfers("U1000002", "U1000003", 110);
    const int position = Add(1, "U1000003", "frankword", "frankapi");
    std::string prefix;
    const std::string first = FirstLRPage(host_->model.Account(position), &prefix);
    QVERIFY(sandbox_->Control("POST", "/control/latency", "{\"ms\": 600}", nullptr));
    QVERIFY(sandbox_->ClearRequests());
    auto* viewer = new HistoryViewer(host_->model.Account(position), first, prefix, Today(),
                                     QStringLiteral("History"), Services());
    QPointer<HistoryViewer> guard(viewer);
    viewer->show();
    QTRY_COMPARE_WITH_TIMEOUT(HistoryRequests(), 1, 5000);  // page 2 is on its way
    auto parsed = [this] {
      return std::count_if(host_->events.begin(), host_->events.end(),
                           [](const test::RecordedEvent& e) { return e.header == "Parsing..."; });
    };
    const auto parsedBefore = parsed();
    const auto readBefore = host_->statusStores.size();
    viewer->close();
    QTRY_VERIFY(guard.isNull());
    // Page 2 arrives meanwhile: its worker reads the answer's status last, then ends and is
    // dropped on the next turns of the event loop.
    QTRY_VERIFY_WITH_TIMEOUT(host_->statusStores.size() > readBefore, 15000);
    QTest::qWait(100);
    QCOMPARE(HistoryRequests(), 1);
    QCOMPARE(parsed(), parsedBefore);  // page 2 was not handled
    QVERIFY(boxes_.shown.empty());
  }
};

NUMMORA_QTEST_MAIN(TestHistoryE2E)
#include "test_history_e2e.moc"
