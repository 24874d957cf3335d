// The last operations against the sandbox: a balance refresh that finds a changed e-gold balance
// fetches the payments received since the account's last known transaction into "Last
// operations", and a second fetch that reports the same payment again lists it once. The e-mail
// notice of a payment made posts exactly the service's fields (the sandbox checks them), keeps
// the sender's details, and stays open for another try after a failure.
#include <QAction>
#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "app/main_window_host.h"
#include "common/text_routines.h"
#include "net/http_client.h"
#include "operations/details_dialog.h"
#include "operations/email_dialog.h"
#include "operations/recent_payments.h"
#include "support/main_window_fixture.h"
#include "support/sandbox_process.h"
#include "ui/events_window.h"
// The sandbox runner is plain C++ kept with the GoogleTest support library, which this Qt test
// does not link; its one source file is compiled in here.
#include "support/qt_test_main.h"
#include "support/sandbox_process.cpp"

using namespace nummora;
using nummora::test::MainWindowFixture;
using nummora::test::SandboxProcess;

namespace {

QTreeWidget* Operations(MainWindow& w) {
  return w.findChild<QTreeWidget*>("Operations");
}
QAction* Action(MainWindow& w, const char* name) {
  return w.findChild<QAction*>(name);
}
QStringList Captions(QTreeWidget* list) {
  QStringList captions;
  for (int i = 0; i < list->topLevelItemCount(); ++i) captions << list->topLevelItem(i)->text(0);
  return captions;
}
void Set(QWidget& d, const char* name, const QString& text) {
  d.findChild<QLineEdit*>(name)->setText(text);
}

}  // namespace

class TestLastOperationsE2E : public QObject {
  Q_OBJECT

  std::unique_ptr<SandboxProcess> sandbox_;

  HttpResult Post(const std::string& path, const std::string& body) {
    HttpOptions options;
    options.CAFile = sandbox_->CaFile();
    HttpClient client(options);
    return client.Post(sandbox_->EgoldSecureUrl() + path, body);
  }

  // Alice pays Bob `amount` ounces of gold; returns the batch number.
  QString AlicePaysBob(const std::string& amount, const std::string& memo) {
    const HttpResult paid = Post("/acct/confirm.asp",
                                 "AccountID=1001001&PassPhrase=alice%20gold%202006"
                                 "&Payee_Account=1001002&Amount=" +
                                     amount + "&PAY_IN=9999&WORTH_OF=Gold&Memo=" + memo + "&PAYMENT_ID=");
    return QString::fromStdString(ExtractHiddenInput("PAYMENT_BATCH_NUM", paid.Body));
  }

  // The newest transaction Bob's history holds now, as the history viewer would have stored it.
  int32_t BobsNewestBatch(TDateTime now) {
    const HttpResult csv = Post(std::string("/acct/historycsv.asp") + RecentPaymentsQuery(now - 30, now),
                                "AccountID=1001002&PassPhrase=bobmetals77");
    int32_t newest = 0;
    for (const OperationRow& row : ReadRecentPayments(csv.Body, 0, nullptr))
      newest = std::max<int32_t>(newest, static_cast<int32_t>(OperationNumber(row.caption).value_or(0)));
    return newest;
  }

  QJsonObject LastEmail() {
    std::string json;
    if (!sandbox_->Control("GET", "/control/emails", "", &json)) return {};
    const QJsonArray all = QJsonDocument::fromJson(QByteArray::fromStdString(json)).array();
    return all.isEmpty() ? QJsonObject() : all.last().toObject();
  }

 private slots:
  void initTestCase() {
    sandbox_ = std::make_unique<SandboxProcess>();
    std::string error;
    QVERIFY2(sandbox_->Start(&error), error.c_str());
    QVERIFY(sandbox_->ExportServersIni());
  }
  void cleanupTestCase() { sandbox_.reset(); }

  void balanceChangeFetchesReceivedPaymentsOnce() {
    MainWindowFixture f;
    f.clock.now = SystemClock().Now();  // the sandbox dates its payments by the real clock
    AccountRecord bob = test::MakeAccount(0, "Bob", "1001002", f.clock.now);
    bob.Password = "bobmetals77";
    bob.Batch = BobsNewestBatch(f.clock.now);
    bob.BatchDate = f.clock.now;
    const QString first = AlicePaysBob("0.01", "rent,%20march");
    QVERIFY(!first.isEmpty());
    std::unique_ptr<MainWindow> w = f.Open(f.WriteProfile({bob}));
    InstallNetworkWorkers(*w, &f.clock);
    w->show();
    QTreeWidget* list = Operations(*w);
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(!Action(*w, "Clear")->isEnabled());

    // The refresh sees a new balance: the payment received since the known batch is listed.
    test::SelectRow(*w, 0);
    Action(*w, "Balance")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(list->topLevelItemCount(), 1, 20000);
    QTreeWidgetItem* row = list->topLevelItem(0);
    QCOMPARE(row->text(0), first);
    QCOMPARE(row->text(2), QStringLiteral("Alice Goldsmith (1001001)"));
    QVERIFY2(row->text(3).endsWith(QStringLiteral(" USD")), qPrintable(row->text(3)));
    QCOMPARE(row->text(4), QStringLiteral("rent, march"));
    QVERIFY(Action(*w, "Clear")->isEnabled());

    // Two more payments: the next fetch reports all three, the one listed already stays single.
    const QString second = AlicePaysBob("0.02", "");
    const QString third = AlicePaysBob("0.03", "");
    QTRY_VERIFY(!w->Model().Account(0).Refreshing);
    Action(*w, "Balance")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(list->topLevelItemCount(), 3, 20000);
    QCOMPARE(Captions(list), (QStringList{third, second, first}));

    // The received row: details say so, and it has no e-mail notice.
    list->setCurrentItem(list->topLevelItem(2));
    QVERIFY(Action(*w, "ViewDetails")->isEnabled());
    QVERIFY(!Action(*w, "EmailDetails")->isEnabled());
    QTimer::singleShot(0, [&] {
      auto* details = qobject_cast<PaymentDetailsDialog*>(QApplication::activeModalWidget());
      QVERIFY(details);
      QCOMPARE(details->findChild<QLineEdit*>("eType")->text(), QStringLiteral("Payment received"));
      QCOMPARE(details->findChild<QLineEdit*>("eBatch")->text(), first);
      QCOMPARE(details->findChild<QLineEdit*>("eMemo")->text(), QStringLiteral("rent, march"));
      QVERIFY(!details->findChild<QPushButton*>("bEmail")->isEnabled());
      details->findChild<QPushButton*>("bClose")->click();
    });
    Action(*w, "ViewDetails")->trigger();

    // After "Clear" a fetch may list the payments again, as long as they are newer than Batch.
    Action(*w, "Clear")->trigger();
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(!Action(*w, "Clear")->isEnabled());
    QTRY_VERIFY(!w->Model().Account(0).Refreshing);
    AlicePaysBob("0.01", "");
    Action(*w, "Balance")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(list->topLevelItemCount(), 4, 20000);
    // The pass phrase never reached the events list.
    QVERIFY(w->Events()->Text().indexOf("bobmetals77") < 0);
  }

  void emailNoticePostsExactlyTheFields() {
    MainWindowFixture f;
    std::unique_ptr<MainWindow> w = f.Open(f.WriteProfile({test::MakeAccount(0, "Gold", "1001001")}));
    InstallNetworkWorkers(*w, &f.clock);
    w->show();
    // A payment to one of the profile's own accounts leaves a "Spent" and an "other" record.
    w->PaymentDialogServices().recordPayment({"Spent", "41000555", "Gold (1001001)", "1001002", "Bob Metals",
                                              "1.5", "troy ounces of Gold", "x&Amount=9", "inv+1"});
    w->PaymentDialogServices().recordPayment({"Received", "41000555", "1001002", "Gold (1001001)",
                                              "Bob Metals", "1.5", "troy ounces of Gold", "x&Amount=9",
                                              "inv+1"});
    w->PaymentDialogServices().recordPayment(
        {"Spent", "9", "Gold (1001001)", "1001003", "Carol", "2", "US Dollars", "", ""});
    QTreeWidget* list = Operations(*w);
    QCOMPARE(Captions(list), (QStringList{"41000555", "41000555", "9"}));
    const int spent = list->topLevelItem(0)->text(6) == QStringLiteral("Gold (1001001)") ? 0 : 1;
    list->setCurrentItem(list->topLevelItem(1 - spent));  // the "other" row
    QVERIFY(!Action(*w, "EmailDetails")->isEnabled());
    list->setCurrentItem(list->topLevelItem(spent));
    QCOMPARE(list->topLevelItem(spent)->text(6), QStringLiteral("Gold (1001001)"));
    QVERIFY(Action(*w, "EmailDetails")->isEnabled());

    Action(*w, "EmailDetails")->trigger();
    QPointer<EmailNoticeDialog> mail = w->findChild<EmailNoticeDialog*>();
    QVERIFY(mail && mail->isVisible());
    QCOMPARE(mail->windowTitle(), QStringLiteral("E-mail payment notification"));
    auto* send = mail->findChild<QPushButton*>("bSend");
    Set(*mail, "yName", "A");
    Set(*mail, "eName", "Bob");
    Set(*mail, "eMail", "b@x.org");
    QVERIFY(!send->isEnabled());  // a one-character name and no address
    Set(*mail, "yName", "Al Gold");
    QVERIFY(send->isEnabled());

    // The service fails: the notice stays open for another try.
    test::SandboxFault fault;
    fault.kind = "status500";
    fault.server = "vendor";
    fault.path = "/services/email.php";
    fault.count = 1;
    QVERIFY(sandbox_->AddFault(fault));
    QTest::mouseClick(send, Qt::LeftButton);
    QVERIFY(!send->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(f.boxes.LastText(), QStringLiteral("Error while sending message!"), 20000);
    QVERIFY(mail && mail->isVisible());
    QVERIFY(send->isEnabled());

    QTest::mouseClick(send, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(f.boxes.LastText(), QStringLiteral("Notification e-mail was succesfully sent!"),
                              20000);
    QTRY_VERIFY(!mail);  // closed and gone
    const QJsonObject notice = LastEmail();
    const std::pair<const char*, const char*> expected[] = {{"valtype", "0"},
                                                            {"from", "Gold (1001001)"},
                                                            {"to", "Bob Metals (1001002)"},
                                                            {"amount", "1.5 of troy ounces of Gold"},
                                                            {"memo", "x&Amount=9"},
                                                            {"merchant", "inv+1"},
                                                            {"batch", "41000555"},
                                                            {"mail_from", "Al Gold"},
                                                            {"mail_from2", ""},
                                                            {"mail_to", "Bob"},
                                                            {"mail_to2", "b@x.org"}};
    for (const auto& [name, value] : expected)
      QCOMPARE(notice.value(name).toString(), QString::fromLatin1(value));
    QCOMPARE(notice.value("missing").toArray().size(), 0);
    QCOMPARE(notice.value("problems").toArray().size(), 0);

    // The sender's details are offered the next time.
    Action(*w, "EmailDetails")->trigger();
    mail = w->findChild<EmailNoticeDialog*>();
    QVERIFY(mail);
    QCOMPARE(mail->findChild<QLineEdit*>("yName")->text(), QStringLiteral("Al Gold"));
    mail->findChild<QPushButton*>("bCancel")->click();
    QTRY_VERIFY(!mail);

    // From the details dialog the notice does not wait either, and outlives the details.
    QPointer<PaymentDetailsDialog> details;
    QTimer::singleShot(0, [&] {
      details = qobject_cast<PaymentDetailsDialog*>(QApplication::activeModalWidget());
      QVERIFY(details);
      details->findChild<QPushButton*>("bEmail")->click();  // returns at once
      mail = details->findChild<EmailNoticeDialog*>();
      QVERIFY(mail && mail->isVisible() && !mail->isModal());
      Set(*mail, "eName", "Bob");
      details->findChild<QPushButton*>("bClose")->click();
    });
    Action(*w, "ViewDetails")->trigger();
    QTRY_VERIFY(!details);
    QVERIFY(mail && mail->isVisible());
    QCOMPARE(mail->parentWidget(), static_cast<QWidget*>(w.get()));
    QCOMPARE(mail->findChild<QLineEdit*>("eName")->text(), QStringLiteral("Bob"));
    mail->findChild<QPushButton*>("bCancel")->click();
    QTRY_VERIFY(!mail);
  }
};

NUMMORA_QTEST_MAIN(TestLastOperationsE2E)
#include "test_last_operations_e2e.moc"
