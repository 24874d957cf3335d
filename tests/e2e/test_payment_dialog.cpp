// The payment dialog against the sandbox, driven by object name from the main window: e-gold
// preview (with and without the first-time notice), payment and receipt between two accounts
// of the profile; refusals, transport failures and an unknown outcome; a Liberty Reserve
// payment whose closing balance becomes the source's balance; a mass payment with a blank
// line, a bad account, a bad amount and a server error; a second request refused while one
// runs; closing that asks only while something was changed; a payment that completes after
// its dialog was closed.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyleFactory>
#include <QTreeView>
#include <QtTest>
#include <memory>

#include "app/main_window_host.h"
#include "payments/payment_dialog.h"
#include "support/main_window_fixture.h"
#include "support/sandbox_process.h"
#include "ui/events_window.h"
// The sandbox runner is plain C++ kept with the GoogleTest support library, which this Qt test
// does not link; its one source file is compiled in here.
#include "support/qt_test_main.h"
#include "support/sandbox_process.cpp"

using namespace nummora;
using namespace nummora::test;

namespace {

AccountRecord Egold(const std::string& name, const std::string& id, const std::string& phrase) {
  AccountRecord a = MakeAccount(0, name, id);
  a.Password = phrase;
  return a;
}

AccountRecord Liberty(const std::string& name, const std::string& id, const std::string& api,
                      const std::string& word) {
  AccountRecord a = MakeAccount(1, name, id);
  a.APIname = api;
  a.Password = word;
  return a;
}

template <typename T>
T* Child(QWidget* dialog, const char* name) {
  T* child = dialog->findChild<T*>(QString::fromLatin1(name));
  if (!child) qFatal("no child %s", name);
  return child;
}

QString Text(QWidget* dialog, const char* name) {
  return Child<QLabel>(dialog, name)->text();
}

QString Title(QWidget* dialog) {
  return Text(dialog, "lState");
}

QWidget* Page(QWidget* dialog) {
  return Child<QStackedWidget>(dialog, "Pages")->currentWidget();
}

void Type(QWidget* dialog, const char* name, const QString& text) {
  if (auto* combo = dialog->findChild<QComboBox*>(QString::fromLatin1(name))) {
    combo->setEditText(text);
    return;
  }
  Child<QLineEdit>(dialog, name)->setText(text);
}

// With NUMMORA_SCREENSHOT_DIR set, keeps a picture of the dialog there (docs/screenshots is
// made this way, under xvfb-run).
void Shot(QWidget* dialog, const char* name) {
  const QString folder = qEnvironmentVariable("NUMMORA_SCREENSHOT_DIR");
  if (folder.isEmpty()) return;
  QCoreApplication::processEvents();
  dialog->grab().save(folder + "/" + name, "PNG");
}

Currency Money(double amount) {
  return static_cast<Currency>(std::llround(amount * kCurrencyScale));
}

void Click(QWidget* dialog, const char* name) {
  QPushButton* button = Child<QPushButton>(dialog, name);
  QVERIFY2(button->isVisible() && button->isEnabled(), name);
  button->click();
}

}  // namespace

class TestSpendDialog : public QObject {
  Q_OBJECT

  std::unique_ptr<SandboxProcess> sandbox_;
  std::unique_ptr<MainWindowFixture> fixture_;
  std::unique_ptr<MainWindow> window_;
  std::vector<PaymentRecord> records_;

  // The main window over a profile of these accounts, with the workers against the sandbox.
  void OpenWindow(const std::vector<AccountRecord>& accounts) {
    QVERIFY(sandbox_->ClearRequests());
    fixture_ = std::make_unique<MainWindowFixture>();
    window_ = fixture_->Open(fixture_->WriteProfile(accounts));
    InstallNetworkWorkers(*window_, &fixture_->clock);
    MainWindowTestAccess::PaymentDialogServices(*window_).recordPayment = [this](const PaymentRecord& r) {
      records_.push_back(r);
    };
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }

  // "&Spend..." with the account at `row` selected: the new dialog.
  PaymentDialog* Spend(int row) {
    SelectRow(*window_, row);
    const auto before = window_->findChildren<PaymentDialog*>();
    window_->Actions().spend->trigger();
    for (PaymentDialog* dialog : window_->findChildren<PaymentDialog*>())
      if (!before.contains(dialog)) return dialog;
    qFatal("no payment dialog opened");
  }

  static void WaitIdle(PaymentDialog* dialog) { QTRY_VERIFY_WITH_TIMEOUT(!dialog->Busy(), 30000); }

  QJsonObject Ledger() {
    std::string json;
    if (!sandbox_->Ledger(&json)) qFatal("no ledger");
    return QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
  }
  double Ounces(const char* account, const char* metal) {
    return Ledger()["egold"][QLatin1String(account)]["balances"][QLatin1String(metal)].toVariant().toDouble();
  }
  double Dollars(const char* account, const char* currency = "LRUSD") {
    return Ledger()["liberty_reserve"][QLatin1String(account)]["balances"][QLatin1String(currency)]
        .toVariant()
        .toDouble();
  }
  int RequestsTo(const QString& path) {
    std::string json;
    if (!sandbox_->Requests(&json)) qFatal("no requests");
    int n = 0;
    for (const QJsonValue& r : QJsonDocument::fromJson(QByteArray::fromStdString(json)).array())
      n += r["path"].toString() == path ? 1 : 0;
    return n;
  }
  QString Events() { return window_->Events()->Text(); }
  const AccountRecord& Account(int position) { return window_->Model().Account(position); }

 private slots:
  void initTestCase() {
    if (qEnvironmentVariableIsSet("NUMMORA_SCREENSHOT_DIR"))
      QApplication::setStyle(QStyleFactory::create("Fusion"));
    sandbox_ = std::make_unique<SandboxProcess>();
    std::string error;
    QVERIFY2(sandbox_->Start(&error), error.c_str());
    QVERIFY(sandbox_->ExportServersIni());
  }
  void cleanupTestCase() {
    window_.reset();
    fixture_.reset();
    sandbox_.reset();
  }
  void cleanup() {
    QVERIFY(sandbox_->ClearFaults());
    window_.reset();
    fixture_.reset();
    records_.clear();
  }

  // Alice pays Bob, both accounts of the profile, 1 troy ounce of silver: the preview names
  // Bob and warns of the first payment to him; the receipt shows the batch; both rows move by
  // the ounces the server moved, and "Spent" and "Received" are recorded. A second preview to
  // Bob has no notice.
  void egoldPaymentBetweenOwnAccounts() {
    OpenWindow({Egold("Alice", "1001001", "alice gold 2006"), Egold("Bob", "1001002", "bobmetals77")});
    const double aliceBefore = Ounces("1001001", "Silver");
    const double bobBefore = Ounces("1001002", "Silver");
    PaymentDialog* d = Spend(0);
    QCOMPARE(Title(d), QStringLiteral("Transaction details"));
    QCOMPARE(Child<QComboBox>(d, "eSource")->currentText(), QStringLiteral("Alice (1001001)"));
    QCOMPARE(Child<QComboBox>(d, "eUnits")->currentText(), QStringLiteral("US Dollars' worth"));
    Type(d, "eRecipient", "1001002");
    Type(d, "eAmount", "1");
    Child<QComboBox>(d, "eUnits")->setCurrentIndex(2);  // troy ounces
    Child<QComboBox>(d, "eMetal")->setCurrentIndex(1);  // Silver
    Type(d, "eMemo", "rent & more");
    QCOMPARE(Text(d, "chMemo"), QStringLiteral("11 char."));
    Shot(d, "spend-egold-details.png");

    Click(d, "bPreview");
    QVERIFY(d->Busy());
    QVERIFY(!Child<QPushButton>(d, "bPay")->isEnabled());
    WaitIdle(d);
    QCOMPARE(Title(d), QStringLiteral("Preview transaction"));
    QCOMPARE(Page(d)->objectName(), QStringLiteral("tPreview"));
    QCOMPARE(Text(d, "lPayto"), QStringLiteral("Pay to: Bob Metals  (1001002)"));
    QVERIFY(Child<QLabel>(d, "lNotice")->isVisibleTo(d));
    QCOMPARE(Text(d, "lAmount"), QStringLiteral("Amount: 1 troy ounces of Silver"));
    QVERIFY(Events().contains("E-gold preview"));
    Shot(d, "spend-egold-preview.png");

    // Enter on the preview pays.
    QTest::keyClick(d, Qt::Key_Return);
    WaitIdle(d);
    QCOMPARE(Title(d), QStringLiteral("Transaction complete"));
    QCOMPARE(Page(d)->objectName(), QStringLiteral("tPaid"));
    const QString batch = Text(d, "Batch");
    QVERIFY(!batch.isEmpty());
    QCOMPARE(Text(d, "aBatch"), "Batch number: " + batch);
    QCOMPARE(Text(d, "aPaid"), QStringLiteral("Paid to: Bob Metals (1001002)"));
    QCOMPARE(Text(d, "aMemo"), QStringLiteral("Memo: rent & more"));
    QCOMPARE(Child<QPushButton>(d, "Cancel")->text(), QStringLiteral("&Close"));
    QCOMPARE(Child<QPushButton>(d, "bPay")->text(), QStringLiteral("&Email details"));
    Shot(d, "spend-egold-receipt.png");

    // The server moved exactly one ounce out of Alice's silver, with the memo as typed.
    const QJsonArray paid = Ledger()["egold_payments"].toArray();
    QCOMPARE(paid.last()["memo"].toString(), QStringLiteral("rent & more"));
    QCOMPARE(Ounces("1001001", "Silver"), aliceBefore - 1);
    QVERIFY(Ounces("1001002", "Silver") > bobBefore);
    // Both rows follow the ledger once their refreshes are back.
    QTRY_COMPARE_WITH_TIMEOUT(Account(0).Silver, Ounces("1001001", "Silver"), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(Account(1).Silver, Ounces("1001002", "Silver"), 20000);
    QTRY_VERIFY(!Account(0).Refreshing && !Account(1).Refreshing);

    QCOMPARE(records_.size(), size_t(2));
    QCOMPARE(records_[0].kind, std::string("Spent"));
    QCOMPARE(records_[0].batch, batch.toStdString());
    QCOMPARE(records_[0].recipient, std::string("1001002"));
    QCOMPARE(records_[0].units, std::string("troy ounces of Silver"));
    QCOMPARE(records_[1].kind, std::string("Received"));
    QCOMPARE(records_[1].source, std::string("1001002"));
    QCOMPARE(records_[1].recipient, std::string("Alice (1001001)"));
    QVERIFY(!Events().contains("alice gold 2006"));

    // The memo is remembered; a new dialog offers it and no longer warns about Bob.
    d->close();
    PaymentDialog* again = Spend(0);
    QCOMPARE(Child<QComboBox>(again, "eMemo")->itemText(0), QStringLiteral("rent & more"));
    Type(again, "eRecipient", "1001002");
    Type(again, "eAmount", "0.5");
    Click(again, "bPreview");
    WaitIdle(again);
    QCOMPARE(Title(again), QStringLiteral("Preview transaction"));
    QVERIFY(!Child<QLabel>(again, "lNotice")->isVisibleTo(again));
    QCOMPARE(RequestsTo("/acct/confirm.asp"), 1);
  }

  // An error page, a failed exchange and an answer that is neither receipt nor error each
  // bring the dialog back to Details; only the unknown outcome refreshes, and nothing is
  // recorded.
  void egoldFailuresReturnToDetails() {
    OpenWindow({Egold("Alice", "1001001", "alice gold 2006")});
    PaymentDialog* d = Spend(0);
    Type(d, "eRecipient", "7777777");
    Type(d, "eAmount", "1");
    Click(d, "bPreview");
    WaitIdle(d);
    QCOMPARE(Title(d), QStringLiteral("Transaction details"));
    QCOMPARE(Page(d)->objectName(), QStringLiteral("tPaymentInfo"));
    QVERIFY2(fixture_->boxes.LastText().contains("Invalid Payee_Account"),
             qPrintable(fixture_->boxes.LastText()));
    QCOMPARE(Child<QPushButton>(d, "bPreview")->text(), QStringLiteral("P&review >>"));

    // Validation: nothing is sent for a payee that is not a number.
    const int sent = RequestsTo("/acct/verify.asp");
    Type(d, "eRecipient", "12a");
    Click(d, "bPreview");
    QCOMPARE(fixture_->boxes.LastText(), QStringLiteral("Please enter correct value!"));
    QCOMPARE(RequestsTo("/acct/verify.asp"), sent);

    SandboxFault down;
    down.kind = "status500";
    down.path = "/acct/verify.asp";
    QVERIFY(sandbox_->AddFault(down));
    Type(d, "eRecipient", "1001003");
    const std::size_t boxes = fixture_->boxes.shown.size();
    Click(d, "bPreview");
    WaitIdle(d);
    QCOMPARE(Page(d)->objectName(), QStringLiteral("tPaymentInfo"));
    QVERIFY(Child<QPushButton>(d, "bPay")->isEnabled());
    QCOMPARE(fixture_->boxes.shown.size(), boxes);  // the worker told of the connection problem
    QCOMPARE(fixture_->notifier.balloons.back().title, QStringLiteral("Connection problem!"));

    SandboxFault garbled;
    garbled.kind = "malformed";
    garbled.path = "/acct/confirm.asp";
    QVERIFY(sandbox_->AddFault(garbled));
    Click(d, "bPay");
    WaitIdle(d);
    QCOMPARE(Page(d)->objectName(), QStringLiteral("tPaymentInfo"));
    QCOMPARE(fixture_->boxes.LastText(), QString::fromLatin1(kPaymentUnknownText));
    QVERIFY(records_.empty());
    QTRY_VERIFY(Account(0).Updated != 0);  // the source's balance was fetched again
  }

  // Dave pays Erin, both in the profile, 12.5 US dollars privately: Dave's balance becomes the
  // receipt's closing balance, Erin's rises by the amount.
  void libertyReservePaymentTakesTheClosingBalance() {
    OpenWindow({Liberty("Dave", "U1000001", "daveapi", "davesecret"),
                Liberty("Erin", "U1000002", "erinshop", "erinword")});
    const double erinBefore = Dollars("U1000002");
    const qsizetype receiptsBefore = Ledger()["lr_receipts"].toArray().size();
    PaymentDialog* d = Spend(0);
    QVERIFY(Child<QWidget>(d, "pLR")->isVisibleTo(d));
    QVERIFY(!Child<QWidget>(d, "pEgold")->isVisibleTo(d));
    QTest::keyClicks(Child<QLineEdit>(d, "eLRRecipient"), "u1000002");
    QCOMPARE(Child<QLineEdit>(d, "eLRRecipient")->text(), QStringLiteral("U1000002"));
    Type(d, "eLRAmount", "12.5");
    Type(d, "eLRMemo", "</Memo></Transfer><Transfer>");
    Type(d, "eLRMerchant", "inv-7");
    Child<QCheckBox>(d, "eLRAnonymous")->setChecked(true);
    Shot(d, "spend-lr-details.png");
    Click(d, "bPreview");
    WaitIdle(d);
    QCOMPARE(Text(d, "lPayto"), QStringLiteral("Pay to: Erin Shop  (U1000002)"));
    QCOMPARE(Text(d, "lFrom"), QStringLiteral("From: Dave (U1000001) (will hidden from recipient)"));
    Shot(d, "spend-lr-preview.png");
    Click(d, "bPay");
    WaitIdle(d);
    QCOMPARE(Title(d), QStringLiteral("Transaction complete"));
    QCOMPARE(Text(d, "aFrom"), QStringLiteral("From: Dave (U1000001) (hidden from recipient)"));
    QVERIFY(!Child<QPushButton>(d, "bPay")->isVisible());
    Shot(d, "spend-lr-receipt.png");

    const QJsonArray receipts = Ledger()["lr_receipts"].toArray();
    QCOMPARE(receipts.size(), receiptsBefore + 1);  // one transfer, with exactly the memo typed
    QCOMPARE(receipts.last()["memo"].toString(), QStringLiteral("</Memo></Transfer><Transfer>"));
    QCOMPARE(Text(d, "aAmount"),
             "Amount: 12.5 of US Dollars (Fee: " + receipts.last()["fee"].toString() + ")");
    QCOMPARE(Account(0).LRusd, Money(Dollars("U1000001")));
    QCOMPARE(Account(1).LRusd, Money(12.5));
    QCOMPARE(Dollars("U1000002"), erinBefore + 12.5);
    QCOMPARE(records_.size(), size_t(2));
    QCOMPARE(records_[1].kind, std::string("Received"));
    QVERIFY(!Events().contains("davesecret"));
  }

  // Six lines: a payment, a blank line, a word that is no account, an amount that is no
  // number, a payee the server does not know, and a second payment. Only the first and last go
  // out; the rows tell why the others did not; a deleted row is not paid.
  void massPayment() {
    OpenWindow({Liberty("Dave", "U1000001", "daveapi", "davesecret"),
                Liberty("Erin", "U1000002", "erinshop", "erinword")});
    const double erinBefore = Dollars("U1000002");
    const double frankBefore = Dollars("U1000003", "LREUR");
    const double erinEuroBefore = Dollars("U1000002", "LREUR");
    PaymentDialog* d = Spend(0);
    Child<QRadioButton>(d, "LRTypeMass")->click();
    QVERIFY(Child<QWidget>(d, "pLRMasspayment")->isVisibleTo(d));
    Child<QComboBox>(d, "eLRDValute")->setCurrentIndex(1);  // Euro
    Type(d, "eLRDMemo", "thanks");
    Child<QPlainTextEdit>(d, "eLRMass")
        ->setPlainText("U1000002, 2.5 ,lunch\n\nfriend,3\nU1000003,abc\nU1999999,1\nU1000003,1");
    Type(d, "eLRDAmount", "4");
    Shot(d, "spend-lr-mass-details.png");
    Click(d, "bPreview");
    WaitIdle(d);
    QCOMPARE(Page(d)->objectName(), QStringLiteral("tPreviewLRMass"));
    QTreeView* table = Child<QTreeView>(d, "LRMassList");
    const auto rows = [table] { return table->model()->rowCount(); };
    const auto cell = [table](int row, int column) {
      return table->model()->index(row, column).data().toString();
    };
    QCOMPARE(rows(), 5);
    QCOMPARE(cell(0, 0), QStringLiteral("Erin Shop (U1000002)"));
    QCOMPARE(cell(0, 1), QStringLiteral("2.5"));
    QCOMPARE(cell(1, 2), QStringLiteral("Incorrect account number"));
    QCOMPARE(cell(2, 2), QStringLiteral("Incorrect amount"));
    QCOMPARE(cell(3, 2), QStringLiteral("Account not found"));
    QCOMPARE(cell(4, 0), QStringLiteral("Frank Zero (U1000003)"));
    QCOMPARE(Text(d, "lLRMassInfo"), QStringLiteral("Transactions count: 2    Total amount: 3.5 Euro"));
    // Each row shows the picture of its state: found (0, 4) or refused (1 to 3).
    const auto picture = [table](int row) {
      return table->model()->index(row, 0).data(Qt::DecorationRole).value<QIcon>().pixmap(16).toImage();
    };
    const QImage found = picture(0);
    const QImage refused = picture(1);
    QVERIFY(!found.isNull() && !refused.isNull() && found != refused);
    QCOMPARE(picture(4), found);
    for (int row : {2, 3}) QCOMPARE(picture(row), refused);
    QVERIFY(Events().contains("Account name request"));
    Shot(d, "spend-lr-mass-preview.png");
    QVERIFY(!Events().contains("davesecret"));

    // Deleting the last row takes its line out of the list.
    table->setCurrentIndex(table->model()->index(4, 0));
    QAction* remove = d->findChild<QAction*>(QStringLiteral("DeleteTransaction"));
    remove->trigger();
    QCOMPARE(rows(), 4);
    QCOMPARE(Child<QPlainTextEdit>(d, "eLRMass")->toPlainText(),
             QStringLiteral("U1000002, 2.5 ,lunch\nfriend,3\nU1000003,abc\nU1999999,1"));
    QCOMPARE(Text(d, "lLRMassInfo"), QStringLiteral("Transactions count: 1    Total amount: 2.5 Euro"));

    Click(d, "bPay");
    WaitIdle(d);
    QCOMPARE(Title(d), QStringLiteral("Transaction complete"));
    QCOMPARE(rows(), 4);
    QCOMPARE(cell(0, 0), QStringLiteral("Erin Shop (U1000002)"));
    QCOMPARE(cell(0, 2), QStringLiteral("lunch"));
    QVERIFY(!cell(0, 3).isEmpty());
    QCOMPARE(cell(3, 2), QStringLiteral("Account not found"));
    QCOMPARE(table->contextMenuPolicy(), Qt::NoContextMenu);
    // The paid row has a picture of its own; the refused rows keep theirs.
    QVERIFY(!picture(0).isNull() && picture(0) != found && picture(0) != refused);
    for (int row : {1, 2, 3}) QCOMPARE(picture(row), refused);
    Shot(d, "spend-lr-mass-receipt.png");
    QCOMPARE(Text(d, "lLRMassInfo"), QStringLiteral("Transactions count: 1    Total amount: 2.5 Euro"));
    QCOMPARE(Dollars("U1000002", "LREUR"), erinEuroBefore + 2.5);
    QCOMPARE(Dollars("U1000002"), erinBefore);
    QCOMPARE(Dollars("U1000003", "LREUR"), frankBefore);
    // Erin is an account of the profile: her row shows what she holds now, as Dave's does.
    QTRY_COMPARE_WITH_TIMEOUT(Account(1).LReur, Money(erinEuroBefore + 2.5), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(Account(0).LReur, Money(Dollars("U1000001", "LREUR")), 20000);
    QVERIFY(records_.empty());
    QVERIFY(Events().contains("Mass payment"));
    QVERIFY(!Events().contains("davesecret"));
  }

  // While a payment is on its way neither a click nor Enter sends another; closing the
  // dialog then asks (something was typed) and the payment, when it completes, still moves
  // the balance and is recorded.
  void oneRequestAtATimeAndCompletionAfterClose() {
    OpenWindow({Liberty("Dave", "U1000001", "daveapi", "davesecret")});
    SandboxFault slow;
    slow.kind = "hang";
    slow.path = "/xml/transfer.aspx";
    slow.seconds = 1;
    slow.count = 1;
    QVERIFY(sandbox_->AddFault(slow));
    QVERIFY(sandbox_->ClearRequests());
    PaymentDialog* d = Spend(0);
    Type(d, "eLRRecipient", "U1000003");
    Type(d, "eLRAmount", "1");
    Click(d, "bPay");
    QVERIFY(d->Busy());
    QVERIFY(!Child<QPushButton>(d, "bPay")->isVisible());
    QTest::keyClick(d, Qt::Key_Return);
    QTest::qWait(300);
    QCOMPARE(RequestsTo("/xml/transfer.aspx"), 1);
    WaitIdle(d);  // the hang ends in a dropped connection: the outcome is unknown
    QCOMPARE(fixture_->boxes.LastText(), QString::fromLatin1(kPaymentUnknownText));
    QCOMPARE(Page(d)->objectName(), QStringLiteral("tPaymentInfo"));

    // Paying again and closing at once: the question comes, the payment completes anyway.
    QTRY_VERIFY(!Account(0).Refreshing);  // the refresh after the unknown outcome is back
    const double frankBefore = Dollars("U1000003");
    Click(d, "bPay");
    QPointer<PaymentDialog> closed(d);
    fixture_->boxes.asked.clear();
    QVERIFY(d->close());
    QCOMPARE(fixture_->boxes.asked, QStringList{QStringLiteral("Do you want to close dialog?")});
    QTRY_VERIFY(closed.isNull());
    QTRY_COMPARE_WITH_TIMEOUT(records_.size(), size_t(1), 20000);
    QCOMPARE(Dollars("U1000003"), frankBefore + 1);
    QCOMPARE(Account(0).LRusd, Money(Dollars("U1000001")));
  }

  // Closing asks "Do you want to close dialog?" only while something is typed (one flag for
  // every payment dialog), and No keeps the dialog.
  void closingAsksOnlyWhileModified() {
    OpenWindow({Egold("Alice", "1001001", "alice gold 2006")});
    PaymentDialog* first = Spend(0);
    QPointer<PaymentDialog> guard(first);
    fixture_->boxes.answer = false;
    QVERIFY(first->close());  // nothing typed: closes without a question
    QVERIFY(fixture_->boxes.asked.isEmpty());

    PaymentDialog* d = Spend(0);
    QPointer<PaymentDialog> second(d);
    Type(d, "eAmount", "5");
    QTest::keyClick(d, Qt::Key_Escape);
    QCOMPARE(fixture_->boxes.asked.size(), 1);
    QVERIFY(d->isVisible());
    PaymentDialog* other = Spend(0);  // the flag is shared: this one asks too
    QVERIFY(!other->close());
    QCOMPARE(fixture_->boxes.asked.size(), 2);
    Type(d, "eAmount", "");
    QVERIFY(other->close());
    QVERIFY(d->close());
    QCOMPARE(fixture_->boxes.asked.size(), 2);
    QTRY_VERIFY(second.isNull() && guard.isNull());

    // Text in any field counts, also when the amount is empty.
    for (const char* field : {"eLRMass", "eLRRecipient", "eLRMemo", "eLRMerchant", "eLRDMemo", "eMerchant"}) {
      fixture_->boxes.asked.clear();
      PaymentDialog* typed = Spend(0);
      const auto fill = [typed, field](const QString& text) {
        if (auto* mass = typed->findChild<QPlainTextEdit*>(QString::fromLatin1(field)))
          mass->setPlainText(text);
        else
          Type(typed, field, text);
      };
      fill(QStringLiteral("U1000002,1"));
      QTest::keyClick(typed, Qt::Key_Escape);
      QCOMPARE(fixture_->boxes.asked.size(), 1);
      QVERIFY2(typed->isVisible(), field);
      fill(QString());  // emptied again: closes without a question
      QVERIFY(typed->close());
      QCOMPARE(fixture_->boxes.asked.size(), 1);
    }
  }
};

NUMMORA_QTEST_MAIN(TestSpendDialog)
#include "test_payment_dialog.moc"
