// The balance refresh workers and the rates request against the sandbox over HTTPS (its own CA):
// e-gold and Liberty Reserve balances read and stored, a wrong security word refused by the
// server, and the metal rates from the plain-HTTP price page.
#include <QPointer>
#include <QtTest>
#include <memory>

#include "app/worker_test_support.h"
#include "market/rates_worker.h"
#include "net/balance_worker.h"
#include "support/sandbox_process.h"
// The sandbox runner is plain C++ kept with the GoogleTest support library, which this Qt test
// does not link; its one source file is compiled in here.
#include "support/sandbox_process.cpp"

using namespace nummora;
using nummora::test::FakeWorkerHost;
using nummora::test::SandboxProcess;

class TestBalanceRefreshE2E : public QObject {
  Q_OBJECT

  std::unique_ptr<SandboxProcess> sandbox_;
  std::unique_ptr<FakeWorkerHost> host_;

  int Add(int32_t type, const std::string& id, const std::string& password, const std::string& api = "") {
    TAccount a;
    a.Type = type;
    a.ID = id;
    a.Password = password;
    a.APIname = api;
    return host_->model.AppendAccount(a);
  }

  void Refresh(int position) {
    const std::string base = host_->model.Account(position).Type == 0 ? sandbox_->EgoldSecureUrl()
                                                                        : sandbox_->LibertyReserveUrl();
    host_->model.Account(position).Refreshing = true;
    QPointer<TthBalance> worker = StartBalanceRefresh(host_.get(), position, base);
    QTRY_VERIFY_WITH_TIMEOUT(worker.isNull(), 30000);
    QVERIFY(!host_->model.Account(position).Refreshing);
  }

 private slots:
  void initTestCase() {
    sandbox_ = std::make_unique<SandboxProcess>();
    std::string error;
    QVERIFY2(sandbox_->Start(&error), error.c_str());
  }
  void cleanupTestCase() { sandbox_.reset(); }

  void init() {
    host_ = std::make_unique<FakeWorkerHost>();
    host_->caFile = sandbox_->CaFile();
    host_->rates = {500, 8, 900, 300};
  }
  void cleanup() {
    QCOMPARE(host_->offThreadCalls, 0);
    host_.reset();
  }

  void egoldBalancesOverHttps() {
    const int position = Add(0, "1001001", "alice gold 2006");
    Refresh(position);
    QCOMPARE(host_->notices.size(), size_t(1));
    QCOMPARE(host_->notices[0].title, std::string("Balance changed"));
    QCOMPARE(host_->notices[0].text, std::string("Current balance of 1001001 is $8530"));
    const TAccount& entry = host_->model.Account(position);
    QCOMPARE(entry.Gold, 12.5);
    QCOMPARE(entry.Palladium, 1.2);
    QCOMPARE(int(entry.Status), 0);
    QVERIFY(host_->AllEventText().find("alice gold") == std::string::npos);
  }

  void libertyReserveBalancesAndRefusal() {
    const int good = Add(1, "U1000001", "davesecret", "daveapi");
    Refresh(good);
    QCOMPARE(host_->notices.size(), size_t(1));
    QCOMPARE(host_->notices[0].text, std::string("Current balance of U1000001 is $1500,  250 EUR"));
    QCOMPARE(host_->model.Account(good).LReur, Currency(250 * 10000));

    const int bad = Add(1, "U1000002", "wrong-word", "erinshop");
    host_->model.Account(bad).LRusd = 777;
    Refresh(bad);
    QCOMPARE(host_->notices.size(), size_t(2));
    QCOMPARE(host_->notices[1].title, std::string("Account U1000002 error!"));
    QVERIFY(host_->notices[1].text.starts_with("Error 200: "));
    QCOMPARE(int(host_->model.Account(bad).Status), 3);
    QCOMPARE(host_->model.Account(bad).LRusd, Currency(777));
  }

  void ratesFromPricePage() {
    Add(0, "1001002", "bobmetals77");
    TMetalRates rates(host_.get(), sandbox_->EgoldPlainUrl());
    QVERIFY(rates.AskForRates());
    QTRY_VERIFY_WITH_TIMEOUT(rates.Worker()->Done(), 30000);
    QVERIFY(rates.Worker()->Succeeded());
    QCOMPARE(host_->model.RatesTime, host_->now);
    for (double rate : rates.Rates()) QVERIFY(rate > 0);
  }
};

QTEST_MAIN(TestBalanceRefreshE2E)
#include "test_balance_refresh_qt.moc"
