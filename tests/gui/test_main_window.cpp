// The main window: commands enabled by the selection, the tab and the refreshes as they change,
// row texts, moving accounts (kept across save and reopen), deleting, the refresh timer,
// notifications, and what is written at close (never a profile that was not read).
#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTreeView>
#include <QtTest>

#include "market/metals_pane_widget.h"
#include "preferences/preferences_dialog.h"
#include "support/main_window_fixture.h"
#include "support/qt_test_main.h"
#include "ui/events_window.h"

using namespace nummora;
using namespace nummora::test;

namespace {
QMap<QString, bool> States(MainWindow& w) {
  QMap<QString, bool> s;
  for (const char* name : {"New", "Delete", "Info", "Balance", "UpdateAll", "Spend", "ViewHistory",
                           "CopyNumber", "Moveup", "Movedown", "Preferences"}) {
    auto* a = w.findChild<QAction*>(name);
    s[name] = a && a->isEnabled();
  }
  return s;
}
QTreeView* List(MainWindow& w) {
  return AccountsList(w);
}
QString Panel(MainWindow& w, const char* name) {
  return w.findChild<QLabel*>(name)->text();
}
}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT
 private slots:
  void noAccounts() {
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile({}));
    w->show();
    QCOMPARE(nummora::test::RowCount(List(*w)), 0);
    QCOMPARE(Panel(*w, "StatusActive"), QStringLiteral("Active account: ..."));
    const auto s = States(*w);
    for (const char* off :
         {"Delete", "Info", "Balance", "Spend", "ViewHistory", "CopyNumber", "Moveup", "Movedown"})
      QVERIFY2(!s[off], off);
    QVERIFY(s["UpdateAll"]);
    QVERIFY(s["New"]);
    QCOMPARE(w->windowTitle(), QStringLiteral("Nummora ver 4.4 [alice]"));
    QCOMPARE(Access::ApplicationTitle(*w), QStringLiteral("Nummora 4.4"));
  }

  void captionsHintsAndShortcuts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::newRow("New") << "New"
                         << "&New account..."
                         << "Add new account" << QKeySequence("Ctrl+N");
    QTest::newRow("Delete") << "Delete"
                            << "&Delete"
                            << "Delete account" << QKeySequence("Ctrl+D");
    QTest::newRow("Info") << "Info"
                          << "&Account Info..."
                          << "Account information" << QKeySequence("Ctrl+I");
    QTest::newRow("Balance") << "Balance"
                             << "&Update balance"
                             << "Update account balance" << QKeySequence("Ctrl+B");
    QTest::newRow("UpdateAll") << "UpdateAll"
                               << "&Update all balances"
                               << "Update all accounts balances" << QKeySequence("Ctrl+A");
    QTest::newRow("Spend") << "Spend"
                           << "&Spend..."
                           << "Spend funds" << QKeySequence("Ctrl+S");
    QTest::newRow("ViewHistory") << "ViewHistory"
                                 << "&View history..."
                                 << "View account history" << QKeySequence("Ctrl+H");
    QTest::newRow("CopyNumber") << "CopyNumber"
                                << "Copy account number"
                                << "Copy account number to clipboard" << QKeySequence("Ctrl+C");
    QTest::newRow("Moveup") << "Moveup"
                            << "Move &up"
                            << "Move selected account up" << QKeySequence(Qt::Key_PageUp);
    QTest::newRow("Movedown") << "Movedown"
                              << "Move &down"
                              << "Move selected account down" << QKeySequence(Qt::Key_PageDown);
    QTest::newRow("Preferences") << "Preferences"
                                 << "&Preferences..."
                                 << "Program options" << QKeySequence();
    QTest::newRow("actImport") << "actImport"
                               << "&Import accounts..."
                               << "Import accounts" << QKeySequence();
    QTest::newRow("actExport") << "actExport"
                               << "&Export accounts..."
                               << "Export accounts" << QKeySequence();
  }
  void captionsHintsAndShortcuts() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, hint);
    QFETCH(QKeySequence, shortcut);
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile({}));
    auto* a = w->findChild<QAction*>(name);
    QVERIFY(a);
    QCOMPARE(a->text(), caption);
    QCOMPARE(a->statusTip(), hint);
    QCOMPARE(a->shortcut(), shortcut);
  }

  // Every state is read right after the change that moves it, with no event processed in
  // between: the commands follow the change itself.
  void statesFollowSelectionTabAndRefreshes() {
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile(
        {MakeAccount(1, "Savings", "U1234567"), MakeAccount(0, "", "1234567"), MakeAccount(1, "", "X42")}));
    w->show();
    // More than one account and default account 0: the first row is selected at start.
    QCOMPARE(w->Model().SelectedRow(), 0);
    QCOMPARE(Panel(*w, "StatusActive"), QStringLiteral("Active account: Savings (U1234567)"));
    auto s = States(*w);
    QVERIFY(s["Delete"] && s["Info"] && s["Balance"] && s["Spend"] && s["ViewHistory"] && s["CopyNumber"]);
    QVERIFY(!s["Moveup"]);
    QVERIFY(s["Movedown"]);

    // A click on the second row.
    QTreeView* list = List(*w);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(1, 0)).center());
    s = States(*w);
    QVERIFY(s["Moveup"] && s["Movedown"]);
    QCOMPARE(Panel(*w, "StatusActive"), QStringLiteral("Active account: 1234567"));

    SelectRow(*w, 2);
    s = States(*w);
    QVERIFY(s["Moveup"] && !s["Movedown"]);

    // Losing the selection turns the row commands off.
    SelectRow(*w, -1);
    s = States(*w);
    QVERIFY(!s["Delete"] && !s["Balance"] && !s["Spend"] && !s["Moveup"]);
    SelectRow(*w, 2);

    w->findChild<QTabWidget*>("PageControl")->setCurrentIndex(1);
    s = States(*w);
    QVERIFY(!s["Moveup"] && !s["Movedown"]);
    QVERIFY(s["Spend"]);

    // While its refresh runs, Update balance is off for the account; Update all skips it.
    w->findChild<QTabWidget*>("PageControl")->setCurrentIndex(0);
    QSignalSpy requested(w.get(), &MainWindow::BalanceRequested);
    w->Actions().balance->trigger();
    QCOMPARE(requested.count(), 1);
    QVERIFY(!States(*w)["Balance"]);
    w->findChild<QAction*>("UpdateAll")->trigger();
    QCOMPARE(requested.count(), 3);  // 2 once, then 0 and 1
    QCOMPARE(requested.at(1).at(0).toInt(), 0);
    QCOMPARE(requested.at(2).at(0).toInt(), 1);
    w->EndRefresh(2);  // as the worker reports when it ends
    QVERIFY(!w->Model().Account(2).Refreshing);
    QVERIFY(States(*w)["Balance"]);
  }

  void rowTexts_data() {
    QTest::addColumn<int>("fiat");
    QTest::addColumn<QString>("balance");
    QTest::newRow("USD") << 0 << "$1234.5";
    QTest::newRow("EUR") << 1 << "EUR 10";
  }
  void rowTexts() {
    QFETCH(int, fiat);
    QFETCH(QString, balance);
    MainWindowFixture f;
    f.store->WriteInteger("Fiat", fiat);
    AccountRecord lr = MakeAccount(1, "Savings", "U1234567", EncodeDateTime(2024, 2, 29, 13, 5, 0));
    lr.LRusd = 12345000;
    lr.LReur = 100000;
    auto w = f.Open(f.WriteProfile({lr, MakeAccount(0, "", "1234567", EncodeDate(2024, 1, 2))}));
    w->show();
    QCOMPARE(nummora::test::Cell(List(*w), 0, 0), QStringLiteral("Savings (U1234567)"));
    QCOMPARE(nummora::test::Cell(List(*w), 0, 1), balance);
    QCOMPARE(nummora::test::Cell(List(*w), 0, 2), QStringLiteral("2/29/2024 1:05:00 PM"));
    QCOMPARE(nummora::test::Cell(List(*w), 1, 0), QStringLiteral("1234567"));
    QCOMPARE(nummora::test::Cell(List(*w), 1, 2), QStringLiteral("1/2/2024"));
  }

  void moveSurvivesSaveAndReopen() {
    MainWindowFixture f;
    {
      auto w = f.Open(
          f.WriteProfile({MakeAccount(1, "A", "U1"), MakeAccount(1, "B", "U2"), MakeAccount(1, "C", "U3")}));
      w->show();
      SelectRow(*w, 2);
      w->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(w.get()));
      List(*w)->setFocus();
      QTest::keyClick(List(*w), Qt::Key_PageUp);  // the shortcut beats the list's own paging
      QCOMPARE(w->Model().SelectedRow(), 1);
      w->findChild<QAction*>("Moveup")->trigger();
      QCOMPARE(w->Model().SelectedRow(), 0);
      QVERIFY(!w->findChild<QAction*>("Moveup")->isEnabled());
      QCOMPARE(nummora::test::Cell(List(*w), 0, 0), QStringLiteral("C (U3)"));
      // The table itself is untouched: every Index stays.
      QCOMPARE(w->Model().Account(2).ID, std::string("U3"));
      QCOMPARE(int(w->Model().Account(2).Index), 2);
      SelectRow(*w, 1);
      w->findChild<QAction*>("Movedown")->trigger();
      QCOMPARE(nummora::test::Cell(List(*w), 2, 0), QStringLiteral("A (U1)"));
      QVERIFY(w->close());
    }
    const auto saved = f.SavedAccounts();
    QCOMPARE(saved.size(), size_t(3));
    QCOMPARE(saved[0].ID, std::string("U3"));
    QCOMPARE(saved[1].ID, std::string("U2"));
    QCOMPARE(saved[2].ID, std::string("U1"));
    // Reopened, the moved account is entry 0 and shown first.
    auto w = f.Open(DecipherFile(f.dataFile, MainWindowFixture::kPassword));
    w->show();
    QCOMPARE(nummora::test::Cell(List(*w), 0, 0), QStringLiteral("C (U3)"));
    QCOMPARE(w->Model().Account(0).ID, std::string("U3"));
  }

  void deleteAsksAndKeepsTheEntry() {
    MainWindowFixture f;
    auto w = f.Open(
        f.WriteProfile({MakeAccount(1, "A", "U1"), MakeAccount(1, "B", "U2"), MakeAccount(1, "C", "U3")}));
    w->show();
    SelectRow(*w, 1);
    f.boxes.answer = false;
    w->findChild<QAction*>("Delete")->trigger();
    QCOMPARE(f.boxes.asked.value(0), QStringLiteral("Do you want to delete account B (U2)?"));
    QCOMPARE(nummora::test::RowCount(List(*w)), 3);
    f.boxes.answer = true;
    w->findChild<QAction*>("Delete")->trigger();
    QCOMPARE(nummora::test::RowCount(List(*w)), 2);
    QCOMPARE(w->Model().AccountCount(), 3);
    QCOMPARE(w->Model().RowOfAccount(1), -1);
    QCOMPARE(w->Model().FindAccount("U2"), -1);
    QVERIFY(!w->findChild<QAction*>("Delete")->isEnabled());
    // Neither the timer nor Update all refreshes it.
    QSignalSpy requested(w.get(), &MainWindow::BalanceRequested);
    w->findChild<QAction*>("UpdateAll")->trigger();
    QCOMPARE(requested.count(), 2);
    QVERIFY(w->close());
    QCOMPARE(f.SavedAccounts().size(), size_t(2));
  }

  // The deleted row was the selected one: losing the selection shows nothing new. Panel 0 and
  // the details pane keep the deleted account, no neighbour is selected, even for a moment.
  void deleteLeavesPanelAndDetailsAsTheyWere_data() {
    QTest::addColumn<int>("row");
    QTest::newRow("first") << 0;
    QTest::newRow("middle") << 1;
    QTest::newRow("last") << 2;
  }
  void deleteLeavesPanelAndDetailsAsTheyWere() {
    QFETCH(int, row);
    MainWindowFixture f;
    auto w = f.Open(
        f.WriteProfile({MakeAccount(1, "A", "U1"), MakeAccount(1, "B", "U2"), MakeAccount(1, "C", "U3")}));
    w->show();
    SelectRow(*w, row);
    const QString panel = Panel(*w, "StatusActive");
    const QString details = w->findChild<MetalsPane*>()->Label()->text();
    QVERIFY(details.contains(QString::fromStdString(w->Model().Account(row).ID)));
    QSignalSpy selections(List(*w)->selectionModel(), &QItemSelectionModel::selectionChanged);
    w->Actions().deleteAccount->trigger();
    QCOMPARE(Panel(*w, "StatusActive"), panel);
    QCOMPARE(w->findChild<MetalsPane*>()->Label()->text(), details);
    QCOMPARE(w->Model().SelectedRow(), -1);
    QVERIFY(List(*w)->selectionModel()->selectedRows().isEmpty());
    QCOMPARE(selections.count(), 1);  // the selection was lost once, and nothing else selected
    QVERIFY(!w->Actions().deleteAccount->isEnabled());
  }

  void timerRefreshesByInterval() {
    MainWindowFixture f;
    AccountRecord every10 = MakeAccount(1, "", "U10", f.clock.now - 9.0 / 1440);
    every10.Refresh = 10;
    AccountRecord never = MakeAccount(1, "", "U0", f.clock.now - 400.0);
    AccountRecord deleted = MakeAccount(1, "", "U9", f.clock.now - 400.0);
    deleted.Refresh = 1;
    auto w = f.Open(f.WriteProfile({every10, never, deleted}));
    w->show();
    SelectRow(*w, 2);
    w->findChild<QAction*>("Delete")->trigger();
    QSignalSpy requested(w.get(), &MainWindow::BalanceRequested);
    Access::TimerTick(*w);
    QCOMPARE(requested.count(), 0);
    f.clock.now += 1.0 / 1440;
    Access::TimerTick(*w);
    QCOMPARE(requested.count(), 1);
    QCOMPARE(requested.at(0).at(0).toInt(), 0);
    // A refresh that got no answer leaves Updated: the account is tried on every tick.
    Access::TimerTick(*w);
    QCOMPARE(requested.count(), 1);  // still running: not started twice
    w->EndRefresh(0);
    Access::TimerTick(*w);
    QCOMPARE(requested.count(), 2);
  }

  void notifyAsBoxOrBalloon() {
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile({}));
    w->show();
    w->Notify(NotifyKind::Error, "Connection problem!", true, "refused");
    QCOMPARE(f.boxes.shown.size(), size_t(1));
    QCOMPARE(f.boxes.shown[0].icon, MessageIcon::Error);
    QCOMPARE(f.boxes.shown[0].text, QStringLiteral("Connection problem!:\r\nrefused"));
    w->Notify(NotifyKind::Information, "", true, "text");
    QCOMPARE(f.boxes.shown[1].text, QStringLiteral(":\r\ntext"));
    QVERIFY(f.notifier.balloons.empty());

    // Without the dialog flag: a balloon and the status text.
    w->Notify(NotifyKind::Information, "Balance changed", false, "U1: $10");
    QCOMPARE(f.notifier.balloons.size(), size_t(1));
    QCOMPARE(f.notifier.balloons[0].kind, NotifyKind::Information);
    QCOMPARE(Panel(*w, "StatusHint"), QStringLiteral("U1: $10"));

    // Hidden in the tray: never a box, a long title is cut.
    Access::HideToTray(*w);
    QVERIFY(Access::HiddenInTray(*w));
    w->Notify(NotifyKind::Confirmation, std::string(80, 'T'), true, std::string(300, 'x'));
    QCOMPARE(f.boxes.shown.size(), size_t(2));
    QCOMPARE(f.notifier.balloons.back().kind, NotifyKind::Confirmation);
    QCOMPARE(f.notifier.balloons.back().title, QString(63, 'T'));
    QCOMPARE(f.notifier.balloons.back().text.size(), 255);
    Access::ShowFromTray(*w);
    QVERIFY(!Access::HiddenInTray(*w) && w->isVisible());
  }

  void withoutTrayTheWindowStays() {
    MainWindowFixture f;
    f.notifier.trayAvailable = false;
    auto w = f.Open(f.WriteProfile({}));
    w->show();
    Access::HideToTray(*w);
    QVERIFY(w->isVisible());
    QVERIFY(!Access::HiddenInTray(*w));
  }

  void hotkeys() {
    MainWindowFixture f;
    f.store->WriteInteger("HotkeySpend", 24659);
    f.store->WriteInteger("HotkeyBalance", 24659);  // the same value: both things happen
    auto w = f.Open(f.WriteProfile({}));
    w->show();
    QSignalSpy links(w.get(), &MainWindow::PaymentLinkOpened);
    Access::HotkeyPressed(*w, 24659);
    QCOMPARE(links.count(), 0);  // no accounts: nothing opens
    auto w2 = f.Open(f.WriteProfile({MakeAccount(1, "", "U1")}));
    w2->show();
    QSignalSpy links2(w2.get(), &MainWindow::PaymentLinkOpened);
    QSignalSpy requested(w2.get(), &MainWindow::BalanceRequested);
    Access::HotkeyPressed(*w2, 24659);
    QCOMPARE(links2.count(), 1);
    QCOMPARE(requested.count(), 1);
    Access::HotkeyPressed(*w2, 1);
    QCOMPARE(links2.count(), 1);
  }

  void linkWaitingInTheHandOffSlot() {
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile({}));
    w->show();
    SettingsStore other(f.storeFile);
    other.SetRootKey(RootKey::ClassesRoot);
    other.OpenKey("\\NMR", true);
    other.WriteString("URL", "nmr://payto=U1234567&amount=10/");
    QSignalSpy links(w.get(), &MainWindow::PaymentLinkOpened);
    Access::InstanceMessage(*w, 10100);
    QCOMPARE(links.count(), 1);
    const auto fields = links.at(0).at(0).value<PaymentLinkFields>();
    QCOMPARE(fields.payto, std::string("U1234567"));
    QVERIFY(fields.paytoIsLibertyReserve);
    QCOMPARE(fields.amount, std::string("10"));
    QVERIFY(!other.ValueExists("URL"));
    // An empty slot opens an empty payment form.
    Access::InstanceMessage(*w, 10100);
    QCOMPARE(links.count(), 2);
    QVERIFY(!links.at(1).at(0).value<PaymentLinkFields>().hasParts);
  }

  void proxyIndicatorAndStatusBar() {
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile({}));
    w->show();
    auto* indicator = w->findChild<QLabel*>("StatusProxy");
    QCOMPARE(indicator->toolTip(), QString());
    ProxySettings proxy;
    proxy.UseProxy = true;
    proxy.ProxyHost = "10.0.0.1";
    proxy.ProxyPort = 3128;
    Access::ShowProxyIndicator(*w, proxy);
    QCOMPARE(indicator->toolTip(), QStringLiteral("Current proxy: 10.0.0.1:3128"));
    QCOMPARE(w->Model().Proxy.ProxyPort, 3128);
    // A click on the indicator opens the preferences at their connection page.
    w->CreatePreferences(nullptr, "/usr/bin/nummora");
    int opened = 0;
    int page = -1;
    WhenOpen("fPreferences", [&opened, &page](QDialog* d) {
      ++opened;
      page = d->findChild<QTabWidget*>()->currentIndex();
      d->reject();
    });
    QTest::mouseClick(indicator, Qt::LeftButton);
    QCOMPARE(opened, 1);
    QCOMPARE(page, int(PreferencesDialog::kConnectionPage));
    QVERIFY(!w->Events()->isVisible());
    // A click elsewhere on the status bar shows the events list.
    QTest::mouseClick(w->findChild<QLabel*>("StatusHint"), Qt::LeftButton);
    QVERIFY(w->Events()->isVisible());
  }

  void withoutAWorkerTheMarkIsClearedAtOnce() {
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile({MakeAccount(1, "", "U1")}));
    w->show();
    w->Actions().balance->trigger();
    QVERIFY(w->Model().Account(0).Refreshing);
    QTRY_VERIFY(!w->Model().Account(0).Refreshing);
    QCOMPARE(w->Model().Account(0).Updated, 0.0);  // no balance is invented
    QCOMPARE(w->Model().Account(0).LRusd, Currency(0));
    QVERIFY(w->Events()->Text().contains("U1"));
  }

  void failedSaveAtCloseIsNotSilent() {
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile({MakeAccount(1, "A", "U1")}));
    w->show();
    f.store->SetRootKey(RootKey::LocalMachine);
    f.store->OpenKey(ProfileKeyPath(MainWindowFixture::kProfile), false);
    f.store->WriteString("", f.home.Path().toStdString() + "/no such folder/alice.nmr");
    QSignalSpy closed(w.get(), &MainWindow::Closed);
    f.boxes.answer = false;
    QVERIFY(!w->close());
    QVERIFY(w->isVisible());
    QCOMPARE(f.boxes.asked.size(), 1);
    QVERIFY(f.boxes.asked[0].contains("could not be saved"));
    QCOMPARE(closed.count(), 0);
    f.boxes.answer = true;
    QVERIFY(w->close());
    QCOMPARE(closed.count(), 1);
  }

  void sessionEndSavesTheProfile() {
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile({MakeAccount(1, "A", "U1")}));
    w->show();
    Access::Model(*w).Account(0).Name = "Renamed";
    w->SessionEnding();
    QCOMPARE(f.SavedAccounts().at(0).Name, std::string("Renamed"));
  }

  // A window whose profile was not read holds an empty model: neither closing it nor a session
  // end may write that over the profile.
  void profileNotReadIsNeverWritten_data() {
    QTest::addColumn<bool>("readable");
    QTest::addColumn<bool>("shown");
    QTest::newRow("unreadable document") << false << true;
    QTest::newRow("closed before it showed") << true << false;
  }
  void profileNotReadIsNeverWritten() {
    QFETCH(bool, readable);
    QFETCH(bool, shown);
    MainWindowFixture f;
    std::string text = f.WriteProfile({MakeAccount(1, "A", "U1")});
    const std::string onDisk = DecipherFile(f.dataFile, MainWindowFixture::kPassword);
    if (!readable) text.replace(text.find("<Type>1</Type>"), 14, "<Type>x</Type>");
    auto w = f.Open(text);
    if (shown) w->show();
    QCOMPARE(w->Model().RowCount(), 0);
    w->SessionEnding();
    QVERIFY(w->close());
    QVERIFY(f.boxes.asked.isEmpty());  // nothing failed, nothing to ask
    QCOMPARE(DecipherFile(f.dataFile, MainWindowFixture::kPassword), onDisk);
  }

  // "Metals" says at close whether the metals list shows: it does for an e-gold account, not
  // for a Liberty Reserve one.
  void metalsValueAtClose_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("metals");
    QTest::newRow("e-gold selected") << 0 << true;
    QTest::newRow("Liberty Reserve selected") << 1 << false;
  }
  void metalsValueAtClose() {
    QFETCH(int, type);
    QFETCH(bool, metals);
    MainWindowFixture f;
    f.store->WriteBool("Metals", !metals);
    auto w = f.Open(f.WriteProfile({MakeAccount(type, "A", type == 0 ? "1234567" : "U1")}));
    w->show();
    QVERIFY(w->close());
    f.store->SetRootKey(RootKey::LocalMachine);
    QVERIFY(f.store->OpenKey(ProfileKeyPath(MainWindowFixture::kProfile), false));
    QCOMPARE(f.store->ReadBool("Metals"), metals);
  }
};

Q_DECLARE_METATYPE(nummora::PaymentLinkFields)
NUMMORA_QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
