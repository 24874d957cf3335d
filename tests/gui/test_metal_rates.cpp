// Metal rates: the request to the e-gold price page, what a fresh answer changes (RatesTime,
// RatesText, the events list, the rates and their rise and fall pictures), a failed request, and
// the details pane that shows them.
#include <QLabel>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "market/metal_rates.h"
#include "market/metals_pane_widget.h"
#include "support/qt_test_main.h"
#include "support/worker_test_support.h"

using namespace nummora;
class TestRatesWorker : public QObject, nummora::test::WorkerTestBench {
  Q_OBJECT

  void AddAccount(int32_t type, const std::string& id) {
    AccountRecord a;
    a.Type = static_cast<AccountType>(type);
    a.ID = id;
    host_->model.AppendAccount(a);
  }

  // Asks once and waits for the completion.
  void AskAndWait(MetalRates& rates) {
    QVERIFY(rates.AskForRates());
    QTRY_VERIFY(rates.Worker() && rates.Worker()->Done());
  }

 private slots:
  void initTestCase() { StartPeer(); }
  void cleanupTestCase() { StopPeer(); }
  void init() { BeginTest(); }
  void cleanup() { EndTest(); }

  void noEgoldAccountSendsNothing() {
    AddAccount(1, "U1234567");
    MetalRates rates(host_.get(), peer_->Base());
    QVERIFY(!rates.AskForRates());
    QVERIFY(rates.Worker() == nullptr);  // no request exists that could send anything
  }

  // An answer slower than the one-minute tick is waited for: asking again while it is on its
  // way starts nothing, and the slow answer is read.
  void runningRequestIsNotReplaced() {
    AddAccount(0, "1234567");
    MetalRates rates(host_.get(), peer_->Base());
    peer_->Answer("x, 500, 8, 900, 300", 200, {}, 0.5);
    QVERIFY(rates.AskForRates());
    RequestWorker* first = rates.Worker();
    QVERIFY(!rates.AskForRates());
    QCOMPARE(rates.Worker(), first);
    QTRY_COMPARE(host_->model.RatesText, std::string("[CUR=USD]x, 500, 8, 900, 300"));
    QCOMPARE(rates.Rates()[0], 500.0);
    QCOMPARE(peer_->Requests().size(), size_t(1));
    // Once it has come, the next ask goes out.
    peer_->Answer("x, 501, 8, 900, 300");
    AskAndWait(rates);
    QCOMPARE(rates.Rates()[0], 501.0);
  }

  void deletedEgoldEntryStillCounts() {
    AddAccount(0, "1234567");
    host_->model.DeleteAccount(0);
    MetalRates rates(host_.get(), peer_->Base());
    AskAndWait(rates);
    QCOMPARE(peer_->Requests().size(), size_t(1));
  }

  void secondAnswerShowsRiseAndFall() {
    AddAccount(0, "1234567");
    host_->model.DisplayCurrency = "EUR";
    MetalRates rates(host_.get(), peer_->Base());
    const std::string first = "x, 500, 8, 900, 300";
    peer_->Answer(first);
    AskAndWait(rates);

    const auto requests = peer_->Requests();
    QCOMPARE(requests.size(), size_t(1));
    QCOMPARE(requests[0].method, std::string("POST"));
    QCOMPARE(requests[0].path, std::string("/unsecure/metaldata.asp?LATEST=1&CUR=EUR"));
    QCOMPARE(requests[0].body, std::string());
    QCOMPARE(host_->model.RatesText, "[CUR=EUR]" + first);  // kept with the currency asked in
    QCOMPARE(host_->model.RatesTime, host_->now);
    QCOMPARE(host_->lines, std::vector<std::string>{first});
    QCOMPARE(host_->ratesChanged, 1);
    // The first answer after a start compares with rates of 0: no pictures.
    for (RatePicture p : rates.State().pictures) QCOMPARE(int(p), int(RatePicture::None));
    QCOMPARE(rates.Rates()[0], 500.0);

    host_->now += 1.0 / 48;  // half an hour later
    peer_->Answer("x, 500.5, 7.9, 900, abc");
    AskAndWait(rates);
    const RatesState& state = rates.State();
    QCOMPARE(int(state.pictures[0]), int(RatePicture::Rising));
    QCOMPARE(int(state.pictures[1]), int(RatePicture::Falling));
    QCOMPARE(int(state.pictures[2]), int(RatePicture::None));
    QCOMPARE(int(state.pictures[3]), int(RatePicture::Falling));  // not a number reads as 0
    QCOMPARE(state.cells[0], std::string("500.5"));
    QCOMPARE(host_->model.RatesTime, host_->now);
    QCOMPARE(host_->ratesChanged, 2);

    // The same answer once more: no pictures.
    peer_->Answer("x, 500.5, 7.9, 900, abc");
    AskAndWait(rates);
    for (RatePicture p : rates.State().pictures) QCOMPARE(int(p), int(RatePicture::None));
  }

  void failedRequestChangesNothing() {
    AddAccount(0, "1234567");
    host_->model.RatesText = "x, 1, 2, 3, 4";
    MetalRates rates(host_.get(), peer_->Base());
    peer_->Answer("busy", 503);
    AskAndWait(rates);
    QVERIFY(!rates.Worker()->Succeeded());
    QCOMPARE(host_->model.RatesTime, TDateTime(0));
    QCOMPARE(host_->model.RatesText, std::string("x, 1, 2, 3, 4"));
    QCOMPARE(host_->ratesChanged, 0);
    QCOMPARE(host_->notices.size(), size_t(1));
    QCOMPARE(host_->notices[0].title, std::string("Connection problem!"));
  }

  void storedTextIsReadWithoutArrows() {
    host_->model.RatesText = "x,500,8,900,300";
    MetalRates rates(host_.get(), peer_->Base());
    rates.ReadRates();
    QCOMPARE(host_->ratesChanged, 1);
    QCOMPARE(rates.Rates()[1], 8.0);
    AccountRecord a;
    a.Gold = 2;
    a.Silver = 10;
    QCOMPARE(rates.ValueOf(a), Currency(1080 * 10000));
    // Too few items: the rates stay, the rows are rewritten all the same.
    host_->model.RatesText = "x,1,2";
    rates.ReadRates();
    QCOMPARE(rates.Rates()[0], 500.0);
    QCOMPARE(host_->ratesChanged, 2);
  }

  void detailsPaneShowsPicturesAndAccounts() {
    MetalsPane pane;
    pane.SetDisplayCurrency("USD");
    QTreeWidget* list = pane.findChild<QTreeWidget*>("Metals");
    QLabel* label = pane.findChild<QLabel*>("lMetals");
    QVERIFY(list && label);
    QCOMPARE(label->text(), QStringLiteral("Details of"));
    QCOMPARE(list->headerItem()->text(4), QStringLiteral("Amount in USD"));
    QCOMPARE(list->topLevelItem(3)->text(0), QStringLiteral("Palladium"));

    RatesState previous;
    previous.rates = {500, 8, 900, 300};
    const RatesState state =
        ReadRates("x, 500.5, 7.9, 900, 300", previous, MakeNumberFormat(UsEnglishFormatSettings()));
    pane.ShowRates(state);
    QCOMPARE(list->topLevelItem(0)->data(3, MetalsPane::kPictureRole).toInt(), 1);
    QCOMPARE(list->topLevelItem(1)->data(3, MetalsPane::kPictureRole).toInt(), 0);
    QCOMPARE(list->topLevelItem(2)->data(3, MetalsPane::kPictureRole).toInt(), -1);
    QVERIFY(!list->topLevelItem(0)->icon(3).isNull());
    QVERIFY(list->topLevelItem(2)->icon(3).isNull());
    QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral("500.5"));

    pane.show();
    AccountRecord egold;
    egold.ID = "1234567";
    egold.Name = "Savings";
    egold.Gold = 1;
    const FormatSettings fs = MakeNumberFormat(UsEnglishFormatSettings());
    pane.ShowAccount(egold, state.rates, fs, UsEnglishFormatSettings());
    QCOMPARE(label->text(), QStringLiteral("Details of Savings (1234567)"));
    QVERIFY(list->isVisible());
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("1"));
    QCOMPARE(list->topLevelItem(0)->text(2), QStringLiteral("31.103"));
    QCOMPARE(list->topLevelItem(0)->text(4), QStringLiteral("500.5"));

    AccountRecord lr;
    lr.Type = AccountType::LibertyReserve;
    lr.ID = "U1234567";
    lr.LRusd = 12345000;
    lr.LReur = 100000;
    pane.ShowAccount(lr, state.rates, fs, UsEnglishFormatSettings());
    QVERIFY(!list->isVisible());
    QCOMPARE(label->text(), QStringLiteral("Details of U1234567:   1234.5 USD   10 EUR"));
  }
};

NUMMORA_QTEST_MAIN(TestRatesWorker)
#include "test_metal_rates.moc"
