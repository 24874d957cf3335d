// "Update all balances" with more accounts than refreshes may run at once: only that many
// requests are out at any moment, the waiting accounts stay marked (so they are not asked for
// twice), every account is refreshed exactly once, and one deleted while it waited is not
// refreshed at all (its mark is cleared).
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "app/main_window_host_qt.h"
#include "main_window_fixture.h"
#include "worker_test_support.h"

using namespace nummora;
using nummora::test::MainWindowFixture;
using nummora::test::ScriptedPeer;

namespace {

std::string EgoldPage(const std::string& gold) {
  return "<input type=hidden name=Gold_Ounces value=\"" + gold +
         "\">\r\n<input type=hidden name=Silver_Ounces value=\"0\">\r\n"
         "<input type=hidden name=Platinum_Ounces value=\"0\">\r\n"
         "<input type=hidden name=Palladium_Ounces value=\"0\">";
}

std::size_t CountPath(const std::vector<ScriptedPeer::Request>& requests, const std::string& prefix) {
  std::size_t n = 0;
  for (const auto& r : requests) n += r.path.starts_with(prefix) ? 1 : 0;
  return n;
}

}  // namespace

class TestMainWindowRefreshQueue : public QObject {
  Q_OBJECT

 private slots:
  void updateAllRunsAFewAtATime() {
    ScriptedPeer peer;
    QVERIFY2(peer.Ok(), "the scripted peer did not start");
    const QByteArray base = QByteArray::fromStdString(peer.Base());
    qputenv("NUMMORA_EGOLD_SECURE", base);
    qputenv("NUMMORA_EGOLD_PLAIN", base);
    qputenv("NUMMORA_LIBERTY_RESERVE", base);

    MainWindowFixture fixture;
    std::vector<TAccount> accounts;
    for (int i = 0; i < 5; ++i) {
      TAccount a = nummora::test::MakeAccount(0, "", std::to_string(1000001 + i));
      a.Password = "phrase-" + std::to_string(i);
      accounts.push_back(a);
    }
    peer.Answer("x, 500, 8, 900, 300");  // the rates asked for by the profile load
    std::unique_ptr<TNummora> window = fixture.Open(fixture.WriteProfile(accounts));
    TMainWindowHost* host = InstallNetworkWorkers(*window, &fixture.clock);
    host->SetMaxRunningRefreshes(2);
    window->show();
    QTRY_COMPARE(window->Model().RatesTime, fixture.clock.now);
    peer.Reset();

    for (int i = 0; i < 4; ++i) peer.Answer(EgoldPage(std::to_string(i + 1)), 200, {}, 0.4);
    window->Actions().UpdateAll->trigger();
    // Every live account is marked at once; two requests are out, three wait.
    for (int i = 0; i < 5; ++i) QVERIFY(window->Model().Account(i).Refreshing);
    QCOMPARE(host->RunningRefreshes(), 2);
    QCOMPARE(host->QueuedRefreshes(), size_t(3));
    QTest::qWait(200);
    QCOMPARE(CountPath(peer.Requests(), "/acct/balance.asp"), size_t(2));

    // Asking again while they wait adds nothing.
    window->Actions().UpdateAll->trigger();
    QCOMPARE(host->QueuedRefreshes(), size_t(3));

    // The last waiting account is deleted meanwhile: it is not asked for.
    window->SelectRow(4);
    window->Actions().Delete->trigger();
    QCOMPARE(window->Model().RowCount(), 4);

    QTRY_VERIFY_WITH_TIMEOUT(host->RunningRefreshes() == 0 && host->QueuedRefreshes() == 0, 10000);
    QCOMPARE(CountPath(peer.Requests(), "/acct/balance.asp"), size_t(4));
    double gold = 0;
    for (int i = 0; i < 5; ++i) {
      QVERIFY(!window->Model().Account(i).Refreshing);
      gold += window->Model().Account(i).Gold;
    }
    QCOMPARE(gold, 10.0);  // each answer went to exactly one account
    QCOMPARE(window->Model().Account(4).Gold, 0.0);
    QCOMPARE(window->Model().RowCount(), 4);
    auto* list = window->findChild<QTreeWidget*>(QStringLiteral("List"));
    QVERIFY(list);
    QCOMPARE(list->topLevelItemCount(), 4);
    for (int row = 0; row < 4; ++row) QVERIFY(!list->topLevelItem(row)->text(2).isEmpty());
  }
};

QTEST_MAIN(TestMainWindowRefreshQueue)
#include "test_main_window_refresh_queue.moc"
