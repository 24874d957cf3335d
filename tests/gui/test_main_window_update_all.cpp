// "Update all balances" runs every refresh side by side: the requests of all accounts are out
// before the first answer comes, although only a few workers start per turn of the event loop;
// the waiting accounts stay marked (so they are not asked for twice), every account is refreshed
// exactly once, and one deleted before its turn came is not refreshed at all (its mark is
// cleared). Answers that arrive one after another each repaint only the cells they changed, and
// the list's columns are measured a few times in all rather than after every answer.
#include <QElapsedTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>
#include <memory>
#include <set>

#include "app/accounts_page.h"
#include "app/main_window_host.h"
#include "support/main_window_fixture.h"
#include "support/qt_test_main.h"
#include "support/worker_test_support.h"
#include "ui/column_fitter.h"

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

bool AnyRefreshing(MainWindow& window) {
  for (const AccountRecord& a : window.Model().Accounts())
    if (a.Refreshing) return true;
  return false;
}

}  // namespace

class TestMainWindowUpdateAll : public QObject {
  Q_OBJECT

 private slots:
  void updateAllRunsEveryRefreshSideBySide() {
    ScriptedPeer peer;
    QVERIFY2(peer.Ok(), "the scripted peer did not start");
    peer.ServeAllServers();

    constexpr int kAccounts = MainWindowHost::kStartsPerTurn + 4;
    MainWindowFixture fixture;
    std::vector<AccountRecord> accounts;
    for (int i = 0; i < kAccounts; ++i) {
      AccountRecord a = nummora::test::MakeAccount(0, "", std::to_string(1000001 + i));
      a.Password = "phrase-" + std::to_string(i);
      accounts.push_back(a);
    }
    peer.Answer("x, 500, 8, 900, 300");  // the rates asked for by the profile load
    std::unique_ptr<MainWindow> window = fixture.Open(fixture.WriteProfile(accounts));
    MainWindowHost* host = InstallNetworkWorkers(*window, &fixture.clock);
    // The peer answers in turn: the recent-payments fetch that a changed balance starts would
    // take answers meant for the balance pages.
    host->fetchRecentPayments = nullptr;
    window->show();
    QTRY_COMPARE(window->Model().RatesTime, fixture.clock.now);
    peer.Reset();

    // Every answer is held for a while: all requests must be out before the first comes back.
    for (int i = 0; i < kAccounts - 1; ++i) peer.Answer(EgoldPage(std::to_string(i + 1)), 200, {}, 1.5);
    window->Actions().updateAll->trigger();
    // Every live account is marked at once; the first few workers are started, the rest wait for
    // the next turn of the event loop.
    for (int i = 0; i < kAccounts; ++i) QVERIFY(window->Model().Account(i).Refreshing);
    QCOMPARE(host->PendingRefreshes(), size_t(kAccounts - MainWindowHost::kStartsPerTurn));

    // Asking again while they wait adds nothing.
    window->Actions().updateAll->trigger();
    QCOMPARE(host->PendingRefreshes(), size_t(kAccounts - MainWindowHost::kStartsPerTurn));

    // The last account is deleted before its turn: it is not asked for.
    nummora::test::SelectRow(*window, kAccounts - 1);
    window->Actions().deleteAccount->trigger();
    QCOMPARE(window->Model().RowCount(), kAccounts - 1);

    QTRY_COMPARE_WITH_TIMEOUT(CountPath(peer.Requests(), "/acct/balance.asp"), size_t(kAccounts - 1), 1200);
    QCOMPARE(host->PendingRefreshes(), size_t(0));
    QVERIFY(!window->Model().Account(kAccounts - 1).Refreshing);
    for (int i = 0; i < kAccounts - 1; ++i) QVERIFY(window->Model().Account(i).Refreshing);

    QTRY_VERIFY_WITH_TIMEOUT(!AnyRefreshing(*window), 10000);
    double gold = 0;
    for (int i = 0; i < kAccounts; ++i) gold += window->Model().Account(i).Gold;
    QCOMPARE(gold, double((kAccounts - 1) * kAccounts / 2));  // each answer went to exactly one account
    QCOMPARE(window->Model().Account(kAccounts - 1).Gold, 0.0);
    QCOMPARE(CountPath(peer.Requests(), "/acct/balance.asp"), size_t(kAccounts - 1));
    auto* list = window->findChild<QTreeView*>(QStringLiteral("List"));
    QVERIFY(list);
    QCOMPARE(list->model()->rowCount(), kAccounts - 1);
    for (int row = 0; row < kAccounts - 1; ++row)
      QVERIFY(!list->model()->index(row, 2).data().toString().isEmpty());
  }

  // Accounts without a pass phrase ask for it while the others wait their turn: the prompt's
  // own event loop lets the next turn come, but nothing starts twice and nothing is lost. The
  // typed phrase is sent; a cancelled prompt sends nothing and clears the account's mark.
  void promptsDuringUpdateAllStartEveryAccountOnce() {
    ScriptedPeer peer;
    QVERIFY2(peer.Ok(), "the scripted peer did not start");
    peer.ServeAllServers();

    constexpr int kAccounts = MainWindowHost::kStartsPerTurn + 3;
    constexpr int kTyped = 0, kCancelled = MainWindowHost::kStartsPerTurn + 1;
    MainWindowFixture fixture;
    std::vector<AccountRecord> accounts;
    for (int i = 0; i < kAccounts; ++i) {
      AccountRecord a = nummora::test::MakeAccount(0, "", std::to_string(1000001 + i));
      if (i != kTyped && i != kCancelled) a.Password = "phrase-" + std::to_string(i);
      accounts.push_back(a);
    }
    peer.Answer("x, 500, 8, 900, 300");
    std::unique_ptr<MainWindow> window = fixture.Open(fixture.WriteProfile(accounts));
    MainWindowHost* host = InstallNetworkWorkers(*window, &fixture.clock);
    // The peer answers in turn: the recent-payments fetch that a changed balance starts would
    // take answers meant for the balance pages.
    host->fetchRecentPayments = nullptr;
    window->show();
    QTRY_COMPARE(window->Model().RatesTime, fixture.clock.now);
    peer.Reset();

    for (int i = 0; i < kAccounts - 1; ++i) peer.Answer(EgoldPage("1"), 200, {}, 0.2);
    nummora::test::PromptAnswerer answerer({QStringLiteral("typed phrase"), QStringLiteral("<escape>")});
    window->Actions().updateAll->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!AnyRefreshing(*window), 15000);
    QCOMPARE(answerer.Answered(), 2);
    QCOMPARE(host->PendingRefreshes(), size_t(0));

    std::set<std::string> asked;
    std::string typedBody;
    for (const auto& r : peer.Requests()) {
      if (!r.path.starts_with("/acct/balance.asp")) continue;
      const std::string id = r.body.substr(r.body.find("AccountID=") + 10, 7);
      QVERIFY2(asked.insert(id).second, id.c_str());  // never asked twice
      if (id == "1000001") typedBody = r.body;
    }
    QCOMPARE(asked.size(), size_t(kAccounts - 1));
    QVERIFY(!asked.count(std::to_string(1000001 + kCancelled)));
    QVERIFY2(typedBody.find("PassPhrase=typed%20phrase") != std::string::npos, typedBody.c_str());
    for (int i = 0; i < kAccounts; ++i)
      QCOMPARE(window->Model().Account(i).Gold, i == kCancelled ? 0.0 : 1.0);
  }

  void answersOneAfterAnotherRepaintTheirCellsAndFitTheListSeldom() {
    ScriptedPeer peer;
    QVERIFY2(peer.Ok(), "the scripted peer did not start");
    peer.ServeAllServers();

    constexpr int kAccounts = 40;
    MainWindowFixture fixture;
    std::vector<AccountRecord> accounts;
    for (int i = 0; i < kAccounts; ++i) {
      AccountRecord a = nummora::test::MakeAccount(0, "", std::to_string(1000001 + i));
      a.Password = "phrase-" + std::to_string(i);
      accounts.push_back(a);
    }
    peer.Answer("x, 500, 8, 900, 300");
    std::unique_ptr<MainWindow> window = fixture.Open(fixture.WriteProfile(accounts));
    MainWindowHost* host = InstallNetworkWorkers(*window, &fixture.clock);
    host->fetchRecentPayments = nullptr;
    window->show();
    QTRY_COMPARE(window->Model().RatesTime, fixture.clock.now);
    auto* list = window->findChild<QTreeView*>(QStringLiteral("List"));
    auto* page = window->findChild<AccountsPage*>(QStringLiteral("tsAccounts"));
    QVERIFY(list && page);
    QTest::qWait(2 * ColumnFitter::kFitGapMs);  // the fits of the profile load are over
    peer.Reset();

    // The answers come 10 ms apart, each in a turn of the event loop of its own; the balances
    // grow, so that the balance column has to widen.
    for (int i = 0; i < kAccounts; ++i)
      peer.Answer(EgoldPage(std::to_string(1 + i) + "000.5"), 200, {}, 0.3 + 0.01 * i);
    int fits = 0;
    QObject::connect(page, &AccountsPage::ColumnsFitted, page, [&] { ++fits; });
    QStringList wholeRows;
    QObject::connect(
        list->model(), &QAbstractItemModel::dataChanged, list,
        [&](const QModelIndex& from, const QModelIndex& to) {
          if (from != to || from.column() == 0)
            wholeRows
                << QStringLiteral("row %1 columns %2-%3").arg(from.row()).arg(from.column()).arg(to.column());
        });
    QElapsedTimer elapsed;
    elapsed.start();
    window->Actions().updateAll->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!AnyRefreshing(*window), 15000);
    const qint64 took = elapsed.elapsed();

    // A balance and an update time changed in each row; the captions stayed as they were.
    QVERIFY2(wholeRows.isEmpty(), qPrintable(wholeRows.join(QStringLiteral(", "))));
    // At most one fit per gap while the answers kept coming (and the one after the last): a few
    // in all, not one per answer.
    QVERIFY2(fits <= 2 + took / ColumnFitter::kFitGapMs && fits < kAccounts / 2,
             qPrintable(QStringLiteral("%1 fits in %2 ms").arg(fits).arg(took)));
    // The last answers are fitted all the same: every balance has the width it needs.
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.font = list->font();
    option.decorationSize = list->iconSize();
    const auto balancesFit = [&] {
      for (int row = 0; row < kAccounts; ++row) {
        const QModelIndex index = list->model()->index(row, 1);
        if (list->itemDelegateForIndex(index)->sizeHint(option, index).width() > list->columnWidth(1))
          return false;
      }
      return true;
    };
    QTRY_VERIFY(balancesFit());
    for (int row = 0; row < kAccounts; ++row)
      QVERIFY(!list->model()->index(row, 2).data().toString().isEmpty());
  }
};

NUMMORA_QTEST_MAIN(TestMainWindowUpdateAll)
#include "test_main_window_update_all.moc"
