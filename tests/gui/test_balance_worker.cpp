// Balance refresh workers against a scripted local HTTP peer: the notice and the table entry for
// each kind of answer, the events-list lines, a failed connection, the pass-phrase prompt, and
// the rule that Refreshing is cleared whatever happens. Every host call must arrive on the main
// thread.
#include <QPointer>
#include <QtTest>
#include <memory>

#include "net/balance_worker.h"
#include "support/qt_test_main.h"
#include "support/worker_test_support.h"

using namespace nummora;
using nummora::test::FakeWorkerHost;
using nummora::test::PromptAnswerer;

namespace {

std::string EgoldPage(const std::string& gold, const std::string& silver, const std::string& platinum,
                      const std::string& palladium) {
  return "<html><body><form>\r\n<input type=hidden name=Gold_Ounces value=\"" + gold +
         "\">\r\n<input type=hidden name=Silver_Ounces value=\"" + silver +
         "\">\r\n<input type=hidden name=Platinum_Ounces value=\"" + platinum +
         "\">\r\n<input type=hidden name=Palladium_Ounces value=\"" + palladium +
         "\">\r\n</form></body></html>";
}

std::string LRBalances(const std::string& usd, const std::string& eur) {
  return "<BalanceResponse id=\"1\"><Balance><CurrencyId>LRUSD</CurrencyId><AccountId>U1234567</AccountId>"
         "<Value>" +
         usd +
         "</Value></Balance><Balance><CurrencyId>LREUR</CurrencyId><AccountId>U1234567"
         "</AccountId><Value>" +
         eur + "</Value></Balance></BalanceResponse>";
}

const TDateTime kBefore = 44990.25;

}  // namespace

class TestBalanceWorker : public QObject, nummora::test::WorkerTestBench {
  Q_OBJECT

  int AddEgold(double gold, double silver, const std::string& password = "secret-phrase") {
    AccountRecord a;
    a.Type = AccountType::Egold;
    a.ID = "1234567";
    a.Password = password;
    a.Gold = gold;
    a.Silver = silver;
    a.Updated = kBefore;
    a.Status = 3;
    return host_->model.AppendAccount(a);
  }
  int AddLR(Currency usd, Currency eur, const std::string& password = "secret-word") {
    AccountRecord a;
    a.Type = AccountType::LibertyReserve;
    a.ID = "U1234567";
    a.APIname = "api";
    a.Password = password;
    a.LRusd = usd;
    a.LReur = eur;
    a.Updated = kBefore;
    a.Status = 3;
    return host_->model.AppendAccount(a);
  }

 private slots:
  void initTestCase() { StartPeer(); }
  void cleanupTestCase() { StopPeer(); }
  void init() {
    BeginTest();
    host_->rates = {500, 8, 0, 0};
  }
  void cleanup() { EndTest(); }

  void egoldChangeNotifiesWithValue_data() {
    QTest::addColumn<QString>("currency");
    QTest::addColumn<QString>("tail");
    QTest::newRow("USD") << "USD"
                         << " is $1080";
    QTest::newRow("EUR") << "EUR"
                         << " is 1080 EUR";
  }
  void egoldChangeNotifiesWithValue() {
    QFETCH(QString, currency);
    QFETCH(QString, tail);
    host_->model.DisplayCurrency = currency.toStdString();
    const int position = AddEgold(1.5, 0);
    peer_->Answer(EgoldPage("2", "10", "0", "0"));
    Refresh(position, peer_->Base());

    const auto requests = peer_->Requests();
    QCOMPARE(requests.size(), size_t(1));
    QCOMPARE(requests[0].path, std::string("/acct/balance.asp"));
    QCOMPARE(requests[0].body, std::string("AccountID=1234567&PassPhrase=secret-phrase"));

    QCOMPARE(host_->notices.size(), size_t(1));
    QCOMPARE(host_->notices[0].kind, NotifyKind::Information);
    QCOMPARE(host_->notices[0].title, std::string("Balance changed"));
    QCOMPARE(host_->notices[0].text, "Current balance of 1234567" + tail.toStdString());
    QVERIFY(!host_->notices[0].asDialog);
    const AccountRecord& entry = host_->model.Account(position);
    QCOMPARE(entry.Gold, 2.0);
    QCOMPARE(entry.Silver, 10.0);
    QCOMPARE(entry.Updated, host_->now);
    QCOMPARE(int(entry.Status), 0);
    QCOMPARE(host_->fetched, std::vector<int>{position});
    QCOMPARE(host_->balanceStores, std::vector<int>{position});
    // Finish runs right after the exchange and again after Store.
    QCOMPARE(host_->ended, (std::vector<int>{position, position}));
    QCOMPARE(host_->lines.size(), size_t(3));
    QVERIFY(host_->lines[2].ends_with(": " + host_->notices[0].text));
  }

  void egoldUnchangedLogsRequestThreeTimes() {
    const int position = AddEgold(2, 10);
    peer_->Answer(EgoldPage("2", "10", "0", "0"));
    Refresh(position, peer_->Base());
    QVERIFY(host_->notices.empty());
    QVERIFY(host_->fetched.empty());
    const AccountRecord& entry = host_->model.Account(position);
    QCOMPARE(entry.Updated, host_->now);
    QCOMPARE(int(entry.Status), 0);
    const std::string line = peer_->Base() + "/acct/balance.asp" + "AccountID=1234567&PassPhrase=********";
    QCOMPARE(host_->lines.size(), size_t(3));
    for (const std::string& l : host_->lines) QCOMPARE(l, "12:00:00 PM: " + line);
  }

  void refusedAnswersMoveUpdatedAndSetStatus_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("e-gold login failure")
        << 0 << QByteArray("<html>Could not login to account.</html>")
        << QByteArray("Could not login to account 1234567!")
        << QByteArray(
               "Check your PassPhrase, or e-gold AccSent.\r\nYour Automation got to be \"Allowed from any "
               "IP\" or allowed from your IP.");
    QTest::newRow("e-gold lock-out")
        << 0 << QByteArray("<p>The account you have attempted to access is currently locked out</p>")
        << QByteArray("Account locked!") << QByteArray("The account 1234567 is currently locked out");
    QTest::newRow("e-gold page without balances")
        << 0 << QByteArray("<html>Service unavailable</html>") << QByteArray("Account 1234567 error!")
        << QByteArray("The answer of the e-gold server holds no balances.");
    QTest::newRow("Liberty Reserve error")
        << 1
        << QByteArray(
               "<BalanceResponse><Error><Code>200</Code><Text>Authentication failed</Text><Description>"
               "Invalid or expired token</Description></Error></BalanceResponse>")
        << QByteArray("Account U1234567 error!")
        << QByteArray("Error 200: Authentication failed (Invalid or expired token)");
  }
  // A refusal stores Updated and Status only: a balance the main thread changed while the
  // answer was on its way (a payment's) stays.
  void refusedAnswersMoveUpdatedAndSetStatus() {
    QFETCH(int, type);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, title);
    QFETCH(QByteArray, message);
    const int position = type == 0 ? AddEgold(1.5, 0) : AddLR(100000, 0);
    host_->model.Account(position).Status = 0;
    peer_->Answer(answer.toStdString(), 200, {}, 0.3);
    host_->model.Account(position).Refreshing = true;
    QPointer<BalanceWorker> worker = StartBalanceRefresh(host_.get(), position, peer_->Base());
    QVERIFY(worker);
    host_->model.Account(position).Gold = 0.5;
    host_->model.Account(position).LRusd = 50000;
    QTRY_VERIFY_WITH_TIMEOUT(worker.isNull(), 20000);

    QCOMPARE(host_->notices.size(), size_t(1));
    QCOMPARE(host_->notices[0].kind, NotifyKind::Error);
    QCOMPARE(host_->notices[0].title, title.toStdString());
    QCOMPARE(host_->notices[0].text, message.toStdString());
    const AccountRecord& entry = host_->model.Account(position);
    QCOMPARE(int(entry.Status), 3);
    QCOMPARE(entry.Updated, host_->now);
    QCOMPARE(entry.Gold, 0.5);
    QCOMPARE(entry.LRusd, Currency(50000));
    QVERIFY(!entry.Refreshing);
    QVERIFY(host_->fetched.empty());
    // The message is logged, then logged again by the last Finish.
    QVERIFY(host_->lines.size() >= 2);
    QVERIFY(host_->lines.back().ends_with(": " + message.toStdString()));
    QVERIFY(host_->lines[host_->lines.size() - 2].ends_with(": " + message.toStdString()));
  }

  void libertyReserveChanges_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint64>("usd");
    QTest::addColumn<qint64>("eur");
    QTest::newRow("dollars only") << QByteArray(LRBalances("12.5", "3").c_str())
                                  << QByteArray("Current balance of U1234567 is $12.5") << qint64(125000)
                                  << qint64(30000);
    QTest::newRow("both") << QByteArray(LRBalances("12.5", "4").c_str())
                          << QByteArray("Current balance of U1234567 is $12.5,  4 EUR") << qint64(125000)
                          << qint64(40000);
    QTest::newRow("nothing") << QByteArray(LRBalances("10", "3").c_str()) << QByteArray() << qint64(100000)
                             << qint64(30000);
  }
  void libertyReserveChanges() {
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, text);
    QFETCH(qint64, usd);
    QFETCH(qint64, eur);
    const int position = AddLR(100000, 30000);
    peer_->Answer(answer.toStdString());
    Refresh(position, peer_->Base());

    const auto requests = peer_->Requests();
    QCOMPARE(requests.size(), size_t(1));
    QCOMPARE(requests[0].path, std::string("/xml/balance.aspx"));
    QVERIFY(requests[0].body.starts_with("req=%253c"));  // "<" encoded, then its "%" once more
    if (text.isEmpty()) {
      QVERIFY(host_->notices.empty());
    } else {
      QCOMPARE(host_->notices.size(), size_t(1));
      QCOMPARE(host_->notices[0].kind, NotifyKind::Information);
      QCOMPARE(host_->notices[0].title, std::string("Balance changed"));
      QCOMPARE(host_->notices[0].text, text.toStdString());
    }
    const AccountRecord& entry = host_->model.Account(position);
    QCOMPARE(entry.LRusd, Currency(usd));
    QCOMPARE(entry.LReur, Currency(eur));
    QCOMPARE(int(entry.Status), 0);
    QCOMPARE(entry.Updated, host_->now);
    QVERIFY(host_->fetched.empty());  // only e-gold changes fetch the recent payments
    QCOMPARE(host_->ended, std::vector<int>{position});
  }

  void failedConnectionLeavesEntry_data() {
    QTest::addColumn<int>("type");
    QTest::newRow("e-gold") << 0;
    QTest::newRow("Liberty Reserve") << 1;
  }
  void failedConnectionLeavesEntry() {
    QFETCH(int, type);
    const int position = type == 0 ? AddEgold(1.5, 0) : AddLR(100000, 0);
    const AccountRecord before = host_->model.Account(position);
    Refresh(position, nummora::test::ClosedPortBase());

    QCOMPARE(host_->notices.size(), size_t(1));
    QCOMPARE(host_->notices[0].kind, NotifyKind::Error);
    QCOMPARE(host_->notices[0].title, std::string("Connection problem!"));
    QVERIFY(!host_->notices[0].text.empty());
    const AccountRecord& entry = host_->model.Account(position);
    QCOMPARE(entry.Updated, before.Updated);
    QCOMPARE(int(entry.Status), int(before.Status));
    QCOMPARE(entry.Gold, before.Gold);
    QCOMPARE(entry.LRusd, before.LRusd);
    QVERIFY(host_->balanceStores.empty() && host_->statusStores.empty());  // nothing stored
    QVERIFY(host_->lines.back().ends_with(": " + host_->notices[0].text));
  }

  void answerBeyondTextPositionsStoresNothing() {
    const int position = AddEgold(1.5, 0);
    peer_->Answer(std::string(70000, ' ') + EgoldPage("2", "0", "0", "0"));
    Refresh(position, peer_->Base());
    const AccountRecord& entry = host_->model.Account(position);
    QCOMPARE(entry.Gold, 1.5);
    QCOMPARE(entry.Updated, kBefore);
    QVERIFY(host_->notices.empty());
  }

  void promptCancelledEndsRefreshAtOnce() {
    const int position = AddLR(100000, 0, "12345");
    PromptAnswerer answerer({"abcde", "<escape>", "abcde"});
    host_->model.Account(position).Refreshing = true;
    QVERIFY(StartBalanceRefresh(host_.get(), position, peer_->Base()) == nullptr);
    QCOMPARE(answerer.Answered(), 3);
    QCOMPARE(answerer.Captions().first(), QStringLiteral("U1234567:"));
    QVERIFY(!host_->model.Account(position).Refreshing);
    QCOMPARE(host_->ended, std::vector<int>{position});
    QCOMPARE(host_->lines, std::vector<std::string>{"12:00:00 PM: "});
    QVERIFY(peer_->Requests().empty());  // no worker ran
  }

  void enteredPassPhraseIsStoredAndUsed() {
    const int position = AddEgold(2, 10, "");
    PromptAnswerer answerer({"secret-typed"});
    peer_->Answer(EgoldPage("2", "10", "0", "0"));
    Refresh(position, peer_->Base());
    QCOMPARE(answerer.Answered(), 1);
    QCOMPARE(host_->model.Account(position).Password, std::string("secret-typed"));
    QCOMPARE(peer_->Requests().at(0).body, std::string("AccountID=1234567&PassPhrase=secret-typed"));
  }

  void storeKeepsEditsMadeWhileRunning() {
    const int position = AddLR(100000, 0);
    peer_->Answer(LRBalances("12.5", "0"), 200, {}, 0.3);
    host_->model.Account(position).Refreshing = true;
    QPointer<BalanceWorker> worker = StartBalanceRefresh(host_.get(), position, peer_->Base());
    QVERIFY(worker);
    // The user renames the account and deletes it while the answer is on its way.
    host_->model.Account(position).Name = "Renamed";
    host_->model.DeleteAccount(position);
    QTRY_VERIFY_WITH_TIMEOUT(worker.isNull(), 20000);
    const AccountRecord& entry = host_->model.Account(position);
    QCOMPARE(entry.Name, std::string("Renamed"));
    QCOMPARE(entry.ID, std::string());
    QCOMPARE(entry.LRusd, Currency(125000));
    QVERIFY(!entry.Refreshing);
  }

  void hostGoneWhileRunning() {
    const int position = AddLR(100000, 0);
    peer_->Answer(LRBalances("12.5", "0"), 200, {}, 0.3);
    host_->model.Account(position).Refreshing = true;
    QPointer<BalanceWorker> worker = StartBalanceRefresh(host_.get(), position, peer_->Base());
    QVERIFY(worker);
    host_ = std::make_unique<FakeWorkerHost>();  // the old host is gone
    QTRY_VERIFY_WITH_TIMEOUT(worker.isNull(), 20000);
    QVERIFY(host_->lines.empty());
  }
};

NUMMORA_QTEST_MAIN(TestBalanceWorker)
#include "test_balance_worker.moc"
