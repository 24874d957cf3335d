// The balance refresh workers and the rates request against the sandbox over HTTPS (its own CA):
// e-gold and Liberty Reserve balances read and stored, a wrong security word refused by the
// server, and the metal rates from the plain-HTTP price page. Refusals and transport failures
// come from the sandbox's injected faults; a balance moves by a real payment between demo
// accounts.
#include <QPointer>
#include <QtTest>
#include <memory>

#include "market/metal_rates.h"
#include "net/balance_worker.h"
#include "support/sandbox_process.h"
#include "support/worker_test_support.h"
// The sandbox runner is plain C++ kept with the GoogleTest support library, which this Qt test
// does not link; its one source file is compiled in here.
#include "support/qt_test_main.h"
#include "support/sandbox_process.cpp"

using namespace nummora;
using nummora::test::SandboxProcess;

class TestBalanceRefreshE2E : public QObject, nummora::test::WorkerTestBench {
  Q_OBJECT

  std::unique_ptr<SandboxProcess> sandbox_;

  int Add(int32_t type, const std::string& id, const std::string& password, const std::string& api = "") {
    AccountRecord a;
    a.Type = static_cast<AccountType>(type);
    a.ID = id;
    a.Password = password;
    a.APIname = api;
    return host_->model.AppendAccount(a);
  }

  // Refreshes the entry against the sandbox's server of its payment system, or `base`.
  void RefreshAt(int position, std::string base = "") {
    if (base.empty())
      base = host_->model.Account(position).Type == AccountType::Egold ? sandbox_->EgoldSecureUrl()
                                                                       : sandbox_->LibertyReserveUrl();
    Refresh(position, base, 30000);
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
    host_->rates = {500, 8, 900, 300};
  }
  void cleanup() {
    QVERIFY(sandbox_->ClearFaults());
    EndTest();
  }

  void egoldBalancesOverHttps() {
    const int position = Add(0, "1001001", "alice gold 2006");
    RefreshAt(position);
    QCOMPARE(host_->notices.size(), size_t(1));
    QCOMPARE(host_->notices[0].title, std::string("Balance changed"));
    QCOMPARE(host_->notices[0].text, std::string("Current balance of 1001001 is $8530"));
    const AccountRecord& entry = host_->model.Account(position);
    QCOMPARE(entry.Gold, 12.5);
    QCOMPARE(entry.Palladium, 1.2);
    QCOMPARE(int(entry.Status), 0);
    QVERIFY(host_->AllEventText().find("alice gold") == std::string::npos);
  }

  void libertyReserveBalancesAndRefusal() {
    const int good = Add(1, "U1000001", "davesecret", "daveapi");
    RefreshAt(good);
    QCOMPARE(host_->notices.size(), size_t(1));
    QCOMPARE(host_->notices[0].text, std::string("Current balance of U1000001 is $1500,  250 EUR"));
    QCOMPARE(host_->model.Account(good).LReur, Currency(250 * 10000));

    const int bad = Add(1, "U1000002", "wrong-word", "erinshop");
    host_->model.Account(bad).LRusd = 777;
    RefreshAt(bad);
    QCOMPARE(host_->notices.size(), size_t(2));
    QCOMPARE(host_->notices[1].title, std::string("Account U1000002 error!"));
    QVERIFY(host_->notices[1].text.starts_with("Error 200: "));
    QCOMPARE(int(host_->model.Account(bad).Status), 3);
    QCOMPARE(host_->model.Account(bad).LRusd, Currency(777));
  }

  // Bob pays 1 oz of gold to Carol between refreshes: only the refreshes that see a new
  // balance bring a notice.
  void paymentChangesBalanceOnce() {
    const int position = Add(0, "1001002", "bobmetals77");
    RefreshAt(position);
    QCOMPARE(host_->notices.size(), size_t(1));
    QCOMPARE(host_->notices[0].kind, NotifyKind::Information);
    QCOMPARE(host_->notices[0].title, std::string("Balance changed"));
    QCOMPARE(host_->notices[0].text, std::string("Current balance of 1001002 is $1625"));

    RefreshAt(position);
    QCOMPARE(host_->notices.size(), size_t(1));
    QCOMPARE(host_->model.Account(position).Gold, 3.25);

    HttpOptions options;
    options.CAFile = sandbox_->CaFile();
    HttpClient client(options);
    const HttpResult paid =
        client.Post(sandbox_->EgoldSecureUrl() + "/acct/confirm.asp",
                    "AccountID=1001002&PassPhrase=bobmetals77&Payee_Account=1001003&Amount=1"
                    "&PAY_IN=9999&WORTH_OF=Gold&Memo=&PAYMENT_ID=");
    QVERIFY2(paid.Succeeded, paid.Message.c_str());
    QVERIFY(paid.Body.find("PAYMENT_BATCH_NUM") != std::string::npos);

    RefreshAt(position);
    QCOMPARE(host_->notices.size(), size_t(2));
    QCOMPARE(host_->notices[1].title, std::string("Balance changed"));
    QCOMPARE(host_->notices[1].text, std::string("Current balance of 1001002 is $1125"));
    QCOMPARE(host_->model.Account(position).Gold, 2.25);
    QCOMPARE(int(host_->model.Account(position).Status), 0);
  }

  void refusalsFromFaults_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("e-gold login failure")
        << 0 << QByteArray(R"({"kind": "login", "account": "1001001", "count": 1})")
        << QByteArray("Could not login to account 1001001!")
        << QByteArray(
               "Check your PassPhrase, or e-gold AccSent.\r\nYour Automation got to be \"Allowed from any "
               "IP\" or allowed from your IP.");
    QTest::newRow("e-gold lock-out") << 0
                                     << QByteArray(R"({"kind": "lockout", "account": "1001001", "count": 1})")
                                     << QByteArray("Account locked!")
                                     << QByteArray("The account 1001001 is currently locked out");
    QTest::newRow("Liberty Reserve error")
        << 1
        << QByteArray(
               R"({"kind": "lr_error", "account": "U1000001", "code": 300, "text": "Account not found",)"
               R"( "description": "No such account", "count": 1})")
        << QByteArray("Account U1000001 error!")
        << QByteArray("Error 300: Account not found (No such account)");
  }
  void refusalsFromFaults() {
    QFETCH(int, type);
    QFETCH(QByteArray, fault);
    QFETCH(QByteArray, title);
    QFETCH(QByteArray, message);
    const int position =
        type == 0 ? Add(0, "1001001", "alice gold 2006") : Add(1, "U1000001", "davesecret", "daveapi");
    host_->model.Account(position).Gold = 2;
    host_->model.Account(position).LRusd = 777;
    std::string reply;
    QVERIFY2(sandbox_->AddFaultJson(fault.toStdString(), &reply), reply.c_str());
    RefreshAt(position);

    QCOMPARE(host_->notices.size(), size_t(1));
    QCOMPARE(host_->notices[0].kind, NotifyKind::Error);
    QCOMPARE(host_->notices[0].title, title.toStdString());
    QCOMPARE(host_->notices[0].text, message.toStdString());
    const AccountRecord& entry = host_->model.Account(position);
    QCOMPARE(int(entry.Status), 3);
    QCOMPARE(entry.Updated, host_->now);
    QCOMPARE(entry.Gold, 2.0);
    QCOMPARE(entry.LRusd, Currency(777));
    QVERIFY(host_->fetched.empty());
  }

  void failedConnectionLeavesEntry_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<QByteArray>("message");  // empty: any transport message
    QTest::newRow("e-gold 500") << 0 << QByteArray(R"({"kind": "status500", "server": "egold"})")
                                << QByteArray("500 Internal Server Error");
    QTest::newRow("Liberty Reserve 500")
        << 1 << QByteArray(R"({"kind": "status500", "server": "liberty_reserve"})")
        << QByteArray("500 Internal Server Error");
    QTest::newRow("e-gold redirect") << 0 << QByteArray(R"({"kind": "redirect", "server": "egold"})")
                                     << QByteArray("302 Found");
    QTest::newRow("stopped port") << 1 << QByteArray() << QByteArray();
  }
  void failedConnectionLeavesEntry() {
    QFETCH(int, type);
    QFETCH(QByteArray, fault);
    QFETCH(QByteArray, message);
    const int position =
        type == 0 ? Add(0, "1001001", "alice gold 2006") : Add(1, "U1000001", "davesecret", "daveapi");
    host_->model.Account(position).Gold = 2;
    host_->model.Account(position).LRusd = 777;
    host_->model.Account(position).Status = 1;
    const AccountRecord before = host_->model.Account(position);
    std::string reply;
    if (!fault.isEmpty()) QVERIFY2(sandbox_->AddFaultJson(fault.toStdString(), &reply), reply.c_str());
    RefreshAt(position, fault.isEmpty() ? nummora::test::ClosedPortBase() : "");

    QCOMPARE(host_->notices.size(), size_t(1));
    QCOMPARE(host_->notices[0].kind, NotifyKind::Error);
    QCOMPARE(host_->notices[0].title, std::string("Connection problem!"));
    QVERIFY(!host_->notices[0].asDialog);
    QVERIFY(!host_->notices[0].text.empty());
    if (!message.isEmpty())
      QVERIFY2(host_->notices[0].text.ends_with(message.toStdString()), host_->notices[0].text.c_str());
    const AccountRecord& entry = host_->model.Account(position);
    QCOMPARE(entry.Updated, before.Updated);
    QCOMPARE(int(entry.Status), 1);
    QCOMPARE(entry.Gold, 2.0);
    QCOMPARE(entry.LRusd, Currency(777));
    QVERIFY(host_->balanceStores.empty() && host_->statusStores.empty());
  }

  void ratesFromPricePage() {
    Add(0, "1001002", "bobmetals77");
    MetalRates rates(host_.get(), sandbox_->EgoldPlainUrl());
    QVERIFY(rates.AskForRates());
    QTRY_VERIFY_WITH_TIMEOUT(rates.Worker()->Done(), 30000);
    QVERIFY(rates.Worker()->Succeeded());
    QCOMPARE(host_->model.RatesTime, host_->now);
    for (double rate : rates.Rates()) QVERIFY(rate > 0);
  }
};

NUMMORA_QTEST_MAIN(TestBalanceRefreshE2E)
#include "test_balance_workers.moc"
