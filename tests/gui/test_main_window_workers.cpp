// The workers plugged into the main window: the one-minute timer with a clock the test controls
// refreshes an account when its interval has passed (not a minute earlier) and asks for rates
// again after 30 minutes; a refresh's result reaches the accounts list and the tray, and no second
// refresh of the account starts while one runs.
#include <QSignalSpy>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "app/main_window_host.h"
#include "support/main_window_fixture.h"
#include "support/qt_test_main.h"
#include "support/worker_test_support.h"
#include "ui/events_window.h"

using namespace nummora;
using nummora::test::Access;
using nummora::test::MainWindowFixture;
using nummora::test::ScriptedPeer;

namespace {

const TDateTime kMinute = 1.0 / (24 * 60);

std::string EgoldPage(const std::string& gold, const std::string& silver) {
  return "<input type=hidden name=Gold_Ounces value=\"" + gold +
         "\">\r\n<input type=hidden name=Silver_Ounces value=\"" + silver +
         "\">\r\n<input type=hidden name=Platinum_Ounces value=\"0\">\r\n"
         "<input type=hidden name=Palladium_Ounces value=\"0\">";
}

std::size_t CountPath(const std::vector<ScriptedPeer::Request>& requests, const std::string& prefix) {
  std::size_t n = 0;
  for (const auto& r : requests) n += r.path.starts_with(prefix) ? 1 : 0;
  return n;
}

}  // namespace

class TestMainWindowWorkers : public QObject {
  Q_OBJECT

  std::unique_ptr<ScriptedPeer> peer_;

 private slots:
  void initTestCase() {
    peer_ = std::make_unique<ScriptedPeer>();
    QVERIFY2(peer_->Ok(), "the scripted peer did not start");
  }
  void cleanupTestCase() { peer_.reset(); }

  void timerRefreshesWhenIntervalHasPassed() {
    MainWindowFixture fixture;
    peer_->ServeAllServers();

    AccountRecord account =
        nummora::test::MakeAccount(0, "Savings", "1234567", fixture.clock.now - 9 * kMinute);
    account.Password = "secret-phrase";
    account.Refresh = 10;
    account.Silver = 10;
    const std::string text = fixture.WriteProfile({account});

    peer_->Answer("x, 500, 8, 900, 300");  // the rates asked for by the profile load
    std::unique_ptr<MainWindow> window = fixture.Open(text);
    MainWindowHost* host = InstallNetworkWorkers(*window, &fixture.clock);
    window->show();
    QTRY_COMPARE(window->Model().RatesTime, fixture.clock.now);
    QCOMPARE(host->Rates().Rates()[1], 8.0);
    QCOMPARE(CountPath(peer_->Requests(), "/unsecure/metaldata.asp?LATEST=1&CUR=USD"), size_t(1));

    // Nine minutes after the last update: nothing is due, no refresh starts.
    QSignalSpy requested(window.get(), &MainWindow::BalanceRequested);
    Access::TimerTick(*window);
    QCOMPARE(requested.count(), 0);
    QVERIFY(!window->Model().Account(0).Refreshing);

    // Ten minutes: the refresh goes out and its result reaches the row and the tray.
    fixture.clock.now += kMinute;
    peer_->Answer(EgoldPage("2", "10"), 200, {}, 0.5);
    Access::TimerTick(*window);
    QCOMPARE(requested.count(), 1);
    // While the answer is on its way the account stays marked: the next tick starts nothing.
    QVERIFY(window->Model().Account(0).Refreshing);
    Access::TimerTick(*window);
    QCOMPARE(requested.count(), 1);
    QTRY_COMPARE(window->Model().Account(0).Gold, 2.0);
    QTRY_VERIFY(!fixture.notifier.balloons.empty());
    QCOMPARE(fixture.notifier.balloons.back().title, QStringLiteral("Balance changed"));
    QCOMPARE(fixture.notifier.balloons.back().text, QStringLiteral("Current balance of 1234567 is $1080"));
    QTRY_VERIFY(!window->Model().Account(0).Refreshing);
    QCOMPARE(window->Model().Account(0).Updated, fixture.clock.now);
    auto* list = window->findChild<QTreeView*>(QStringLiteral("List"));
    QVERIFY(list);
    QCOMPARE(list->model()->index(0, 1).data().toString(), QStringLiteral("$1080"));
    QCOMPARE(CountPath(peer_->Requests(), "/acct/balance.asp"), size_t(1));
    QVERIFY(window->Events()->Text().indexOf("secret-phrase") < 0);

    // Rates: 29 minutes after the last answer nothing is asked, at 30 they are.
    fixture.clock.now = window->Model().RatesTime + 29 * kMinute + kMinute / 2;
    Access::Model(*window).Account(0).Refresh = 0;
    RequestWorker* lastRates = host->Rates().Worker();
    Access::TimerTick(*window);
    QCOMPARE(host->Rates().Worker(), lastRates);  // no new request
    QVERIFY(!host->Rates().Asking());
    fixture.clock.now += kMinute;
    peer_->Answer("x, 501, 8, 900, 300");
    Access::TimerTick(*window);
    QVERIFY(host->Rates().Asking());
    QTRY_COMPARE(host->Rates().Rates()[0], 501.0);
    QCOMPARE(int(host->Rates().State().pictures[0]), int(RatePicture::Rising));
    QCOMPARE(CountPath(peer_->Requests(), "/unsecure/metaldata.asp"), size_t(2));
  }
};

NUMMORA_QTEST_MAIN(TestMainWindowWorkers)
#include "test_main_window_workers.moc"
