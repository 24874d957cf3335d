// The details pane of the main window: it follows the selected row (e-gold metals, or the
// Liberty Reserve balances in the label with the list hidden), stays when the selection is lost,
// follows the display currency, and after a rates answer shows the new "Rate" cells with their
// arrows and the selected account's values at the new rates. A new display currency asks for
// rates in it, and prices in another currency are never shown, multiplied or compared.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "app/main_window_host.h"
#include "market/metals_pane_widget.h"
#include "preferences/preferences_dialog.h"
#include "support/main_window_fixture.h"
#include "support/qt_test_main.h"
#include "support/worker_test_support.h"

using namespace nummora;
using nummora::test::Access;
using nummora::test::AccountsList;
using nummora::test::MainWindowFixture;
using nummora::test::MakeAccount;
using nummora::test::ScriptedPeer;
using nummora::test::SelectRow;

namespace {

std::string ProfileText(const std::vector<AccountRecord>& accounts, const std::string& ratesText) {
  ProfileModel model;
  for (const AccountRecord& a : accounts) model.AppendAccount(a);
  model.RatesText = ratesText;
  return BuildProfileDocument(model, true, UsEnglishFormatSettings());
}

AccountRecord Savings() {
  AccountRecord a = MakeAccount(0, "Savings", "1234567");
  a.Password = "secret-phrase";
  a.Gold = 2;
  a.Silver = 10;
  return a;
}

AccountRecord Reserve() {
  AccountRecord a = MakeAccount(1, "", "U7654321");
  a.Password = "word";
  a.LRusd = 12345000;  // 1234.5
  a.LReur = 100000;    // 10
  return a;
}

struct Pane {
  QLabel* label = nullptr;
  QTreeWidget* metals = nullptr;
  QString Cell(int metal, int column) const { return metals->topLevelItem(metal)->text(column); }
  int Picture(int metal) const {
    return metals->topLevelItem(metal)->data(3, MetalsPane::kPictureRole).toInt();
  }
};

Pane PaneOf(MainWindow& window) {
  Pane p;
  if (auto* pane = window.findChild<MetalsPane*>()) {
    p.label = pane->Label();
    p.metals = pane->List();
  }
  return p;
}

}  // namespace

class TestMainWindowDetails : public QObject {
  Q_OBJECT

 private slots:
  void paneFollowsTheSelection() {
    MainWindowFixture fixture;
    std::unique_ptr<MainWindow> window = fixture.Open(ProfileText({Savings(), Reserve()}, ""));
    window->show();
    const Pane pane = PaneOf(*window);
    QVERIFY(pane.label && pane.metals);
    QVERIFY(pane.label->isVisible());
    QCOMPARE(pane.metals->headerItem()->text(4), QStringLiteral("Amount in USD"));
    // Opening selected the default account (the first): the pane shows it.
    QCOMPARE(window->Model().SelectedRow(), 0);
    QCOMPARE(pane.label->text(), QStringLiteral("Details of Savings (1234567)"));
    QVERIFY(pane.metals->isVisible());
    QCOMPARE(pane.Cell(0, 1), QStringLiteral("2"));
    QCOMPARE(pane.Cell(0, 2), QStringLiteral("62.206"));
    QCOMPARE(pane.Cell(1, 1), QStringLiteral("10"));
    QCOMPARE(pane.Cell(0, 4), QStringLiteral("0"));  // no rates yet

    SelectRow(*window, 1);
    QCOMPARE(pane.label->text(), QStringLiteral("Details of U7654321:   1234.5 USD   10 EUR"));
    QVERIFY(!pane.metals->isVisible());

    // Losing the selection leaves the pane as it was.
    SelectRow(*window, -1);
    QCOMPARE(pane.label->text(), QStringLiteral("Details of U7654321:   1234.5 USD   10 EUR"));

    // Moving the e-gold account down with the selection on it: the pane shows it again.
    SelectRow(*window, 0);
    window->Actions().moveDown->trigger();
    QCOMPARE(window->Model().SelectedRow(), 1);
    QCOMPARE(pane.label->text(), QStringLiteral("Details of Savings (1234567)"));
    QVERIFY(pane.metals->isVisible());

    // Balances stored by a refresh refresh the pane only for the selected row.
    AccountBalances dollars;
    dollars.type = AccountType::LibertyReserve;
    window->StoreBalances(1, dollars);
    QCOMPARE(pane.label->text(), QStringLiteral("Details of Savings (1234567)"));
    AccountBalances metals;
    metals.metals = {3, 10, 0, 0};
    window->StoreBalances(0, metals);
    QCOMPARE(pane.Cell(0, 1), QStringLiteral("3"));

    // The display currency changed meanwhile: the value column says so.
    Access::Model(*window).DisplayCurrency = "EUR";
    window->StoreBalances(0, metals);
    QCOMPARE(pane.metals->headerItem()->text(4), QStringLiteral("Amount in EUR"));
  }

  void paneShowsTheRatesOfAnAnswer() {
    ScriptedPeer peer;
    QVERIFY2(peer.Ok(), "the scripted peer did not start");
    peer.ServeAllServers();

    MainWindowFixture fixture;
    // The stored answer shows at once; the fresh one comes half a second later.
    peer.Answer("x, 501, 7.5, 900, 300", 200, {}, 0.5);
    std::unique_ptr<MainWindow> window = fixture.Open(ProfileText({Savings()}, "x, 500, 8, 900, 300"));
    MainWindowHost* host = InstallNetworkWorkers(*window, &fixture.clock);
    window->show();
    const Pane pane = PaneOf(*window);
    QVERIFY(pane.label && pane.metals);

    // One account: it is selected and the pane values it at the stored rates, without arrows.
    QCOMPARE(window->Model().SelectedRow(), 0);
    QCOMPARE(pane.label->text(), QStringLiteral("Details of Savings (1234567)"));
    QCOMPARE(pane.Cell(0, 3), QStringLiteral("500"));
    QCOMPARE(pane.Cell(0, 4), QStringLiteral("1000"));
    QCOMPARE(pane.Cell(1, 4), QStringLiteral("80"));
    for (int metal = 0; metal < 4; ++metal) QCOMPARE(pane.Picture(metal), int(RatePicture::None));

    QTRY_COMPARE(window->Model().RatesTime, fixture.clock.now);
    QCOMPARE(host->Rates().Rates()[0], 501.0);
    QCOMPARE(pane.Cell(0, 3), QStringLiteral("501"));
    QCOMPARE(pane.Cell(1, 3), QStringLiteral("7.5"));
    QCOMPARE(pane.Picture(0), int(RatePicture::Rising));
    QCOMPARE(pane.Picture(1), int(RatePicture::Falling));
    QCOMPARE(pane.Picture(2), int(RatePicture::None));
    QVERIFY(!pane.metals->topLevelItem(0)->icon(3).isNull());
    QCOMPARE(pane.Cell(0, 4), QStringLiteral("1002"));
    QCOMPARE(pane.Cell(1, 4), QStringLiteral("75"));
    // The row and the pane agree on the account's value.
    auto* list = window->findChild<QTreeView*>(QStringLiteral("List"));
    QVERIFY(list);
    QCOMPARE(nummora::test::Cell(list, 0, 1), QStringLiteral("$1077"));
  }

  // A new display currency asks for rates in it at once; until they come, no value is computed
  // from prices in the other currency. After a restart in the new currency the prices kept from
  // before are neither shown nor compared with the fresh ones.
  void currencyChangeAsksForRatesInIt() {
    ScriptedPeer peer;
    QVERIFY2(peer.Ok(), "the scripted peer did not start");
    peer.ServeAllServers();
    MainWindowFixture fixture;
    peer.Answer("x, 500, 8, 900, 300");
    std::unique_ptr<MainWindow> window = fixture.Open(ProfileText({Savings()}, ""));
    MainWindowHost* host = InstallNetworkWorkers(*window, &fixture.clock);
    window->show();
    window->CreatePreferences(nullptr, "/usr/bin/nummora");
    QTreeView* list = AccountsList(*window);
    QTRY_COMPARE(nummora::test::Cell(list, 0, 1), QStringLiteral("$1080"));

    // To euros; the server is busy.
    peer.Answer("busy", 503, {}, 0.3);
    PreferencesDialog* prefs = window->Preferences();
    prefs->show();
    prefs->findChild<QComboBox*>(QStringLiteral("Valute"))->setCurrentIndex(1);
    QTest::mouseClick(prefs->findChild<QPushButton*>(QStringLiteral("bOk")), Qt::LeftButton);
    const Pane pane = PaneOf(*window);
    QCOMPARE(nummora::test::Cell(list, 0, 1), QString());
    QCOMPARE(pane.Cell(0, 3), QString());
    QCOMPARE(pane.Cell(0, 4), QString());
    QTRY_COMPARE(peer.Requests().back().path, std::string("/unsecure/metaldata.asp?LATEST=1&CUR=EUR"));
    QTRY_VERIFY(host->Rates().Worker()->Done());
    QCOMPARE(nummora::test::Cell(list, 0, 1), QString());
    window->close();
    window.reset();

    // The next start is in euros; the dollar prices kept in the profile value nothing.
    peer.Answer("x, 450, 7, 800, 250", 200, {}, 1.0);
    window = fixture.Open(DecipherFile(fixture.dataFile, MainWindowFixture::kPassword));
    InstallNetworkWorkers(*window, &fixture.clock);
    window->show();
    list = AccountsList(*window);
    const Pane again = PaneOf(*window);
    QCOMPARE(nummora::test::Cell(list, 0, 1), QString());
    QCOMPARE(again.Cell(0, 4), QString());
    QTRY_COMPARE(nummora::test::Cell(list, 0, 1), QStringLiteral("EUR 970"));
    QCOMPARE(peer.Requests().back().path, std::string("/unsecure/metaldata.asp?LATEST=1&CUR=EUR"));
    QCOMPARE(again.Cell(0, 3), QStringLiteral("450"));
    QCOMPARE(again.Cell(0, 4), QStringLiteral("900"));
    for (int metal = 0; metal < 4; ++metal) QCOMPARE(again.Picture(metal), int(RatePicture::None));
  }
};

NUMMORA_QTEST_MAIN(TestMainWindowDetails)
#include "test_main_window_details.moc"
