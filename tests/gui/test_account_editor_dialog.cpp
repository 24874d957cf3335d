// The account editor: its refusals, how it reads the refresh interval, filling from an entry,
// and New and Account Info as the main window runs them.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>

#include "accounts/account_editor_dialog.h"
#include "accounts/account_editor_rules.h"
#include "support/main_window_fixture.h"
#include "support/qt_test_main.h"

using namespace nummora;
using namespace nummora::test;

namespace {
void Set(QWidget& d, const char* name, const QString& text) {
  d.findChild<QLineEdit*>(name)->setText(text);
}
void Tick(QWidget& d, const char* name, bool on) {
  d.findChild<QCheckBox*>(name)->setChecked(on);
}
void Ok(QWidget& d) {
  QTest::mouseClick(d.findChild<QPushButton*>("bOk"), Qt::LeftButton);
}

// Runs `fill` on the editor the main window opens modally.
void WhenEditorOpens(std::function<void(AccountEditorDialog&)> fill) {
  QTimer::singleShot(0, [fill] {
    auto* editor = qobject_cast<AccountEditorDialog*>(QApplication::activeModalWidget());
    QVERIFY(editor);
    fill(*editor);
  });
}
}  // namespace

class TestAccountEditor : public QObject {
  Q_OBJECT
 private slots:
  void refusals_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("api");
    QTest::addColumn<QString>("minutes");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("LR without number") << 1 << ""
                                       << "api"
                                       << "10"
                                       << "Please enter Liberty Reserve account!"
                                       << "eLRID";
    QTest::newRow("LR without API name") << 1 << "U1"
                                         << ""
                                         << "10"
                                         << "Please enter API name!"
                                         << "eLRAPI";
    QTest::newRow("e-gold 0") << 0 << "0"
                              << ""
                              << "10"
                              << "Wrong e-gold account number!"
                              << "eID";
    QTest::newRow("e-gold 12ab") << 0 << "12ab"
                                 << ""
                                 << "10"
                                 << "Wrong e-gold account number!"
                                 << "eID";
    QTest::newRow("e-gold existing") << 0 << "1234567"
                                     << ""
                                     << "10"
                                     << "The account already exists!"
                                     << "eID";
    QTest::newRow("LR existing") << 1 << "U7"
                                 << "x"
                                 << "10"
                                 << "The account already exists!"
                                 << "eLRID";
    QTest::newRow("minutes above 65535") << 1 << "U2"
                                         << "x"
                                         << "65536" << kMinutesOutOfRange << "eMin";
    QTest::newRow("negative minutes") << 1 << "U2"
                                      << "x"
                                      << "-1" << kMinutesOutOfRange << "eMin";
    QTest::newRow("huge minutes") << 1 << "U2"
                                  << "x"
                                  << "99999999999999999999" << kMinutesOutOfRange << "eMin";
  }
  void refusals() {
    QFETCH(int, type);
    QFETCH(QString, id);
    QFETCH(QString, api);
    QFETCH(QString, minutes);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    RecordingBoxes boxes;
    AccountEditorDialog editor(
        true, [](const std::string& s) { return s == "1234567" || s == "U7"; }, &boxes);
    editor.findChild<QComboBox*>("cAccountType")->setCurrentIndex(type);
    Set(editor, type == 0 ? "eID" : "eLRID", id);
    Set(editor, "eLRAPI", api);
    Tick(editor, "eEvery", true);
    Set(editor, "eMin", minutes);
    Ok(editor);
    QCOMPARE(editor.result(), 0);
    QCOMPARE(boxes.shown.size(), size_t(1));
    QCOMPARE(boxes.shown[0].icon, MessageIcon::Error);
    QCOMPARE(boxes.shown[0].text, message);
    QVERIFY(editor.focusWidget());
    QCOMPARE(editor.focusWidget()->objectName(), focus);
  }

  // The profile document has no escaping: no field of the chosen page may hold "<" or ">".
  void tagCharacters_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("label");  // empty: accepted
    QTest::newRow("e-gold name") << 0 << "eName"
                                 << "Account name";
    QTest::newRow("e-gold pass phrase") << 0 << "ePass"
                                        << "Passphrase";
    QTest::newRow("LR number") << 1 << "eLRID"
                               << "Account #";
    QTest::newRow("LR security word") << 1 << "eLRPass"
                                      << "Password";
    QTest::newRow("LR name") << 1 << "eLRName"
                             << "Account name";
    QTest::newRow("LR API name") << 1 << "eLRAPI"
                                 << "API name";
    QTest::newRow("other page") << 1 << "eName" << QString();
  }
  void tagCharacters() {
    QFETCH(int, type);
    QFETCH(QString, field);
    QFETCH(QString, label);
    RecordingBoxes boxes;
    AccountEditorDialog editor(true, {}, &boxes);
    editor.findChild<QComboBox*>("cAccountType")->setCurrentIndex(type);
    Set(editor, "eID", "123456");
    Set(editor, "eLRID", "U1");
    Set(editor, "eLRAPI", "api");
    Set(editor, field.toLatin1().constData(), "a</Account><Account>b");
    Ok(editor);
    if (label.isEmpty()) {
      QCOMPARE(editor.result(), int(QDialog::Accepted));
      return;
    }
    QCOMPARE(editor.result(), 0);
    QCOMPARE(boxes.LastText(),
             QStringLiteral("The field \"%1\" must not contain \"<\" or \">\".").arg(label));
    QCOMPARE(editor.focusWidget()->objectName(), field);
  }

  void editingToAnExistingNumberIsAccepted() {
    RecordingBoxes boxes;
    AccountEditorDialog editor(
        false, [](const std::string&) { return true; }, &boxes);
    editor.Fill(MakeAccount(0, "Gold", "111"));
    Set(editor, "eID", "222");
    Ok(editor);
    QVERIFY(boxes.shown.empty());
    QCOMPARE(editor.result(), int(QDialog::Accepted));
    QVERIFY(!editor.findChild<QComboBox*>("cAccountType")->isEnabled());
    QCOMPARE(editor.windowTitle(), QStringLiteral("Account info"));
  }

  void refreshMinutes_data() {
    QTest::addColumn<bool>("every");
    QTest::addColumn<QString>("minutes");
    QTest::addColumn<int>("refresh");
    QTest::newRow("ticked 25") << true << "25" << 25;
    QTest::newRow("ticked empty") << true << "" << 10;
    QTest::newRow("ticked unreadable") << true << "ten" << 10;
    QTest::newRow("ticked 65535") << true << "65535" << 65535;
    QTest::newRow("not ticked") << false << "25" << 0;
  }
  void refreshMinutes() {
    QFETCH(bool, every);
    QFETCH(QString, minutes);
    QFETCH(int, refresh);
    RecordingBoxes boxes;
    AccountEditorDialog editor(
        true, [](const std::string&) { return false; }, &boxes);
    Set(editor, "eLRID", "U5");
    Set(editor, "eLRAPI", "api");
    Tick(editor, "eEvery", every);
    QCOMPARE(editor.findChild<QLineEdit*>("eMin")->isEnabled(), every);
    Set(editor, "eMin", minutes);
    Ok(editor);
    QCOMPARE(editor.result(), int(QDialog::Accepted));
    AccountRecord a;
    editor.ApplyTo(a);
    QCOMPARE(int(a.Refresh), refresh);
  }

  void fillShowsTheEntry() {
    AccountEditorDialog editor(false, {}, nullptr);
    AccountRecord lr = MakeAccount(1, "Shop", "U9");
    lr.APIname = "myapi";
    lr.Password = "word";
    lr.Update = false;
    lr.Refresh = 0;
    editor.Fill(lr);
    QCOMPARE(editor.findChild<QLineEdit*>("eLRID")->text(), QStringLiteral("U9"));
    QCOMPARE(editor.findChild<QLineEdit*>("eLRAPI")->text(), QStringLiteral("myapi"));
    QCOMPARE(editor.findChild<QLineEdit*>("eLRPass")->echoMode(), QLineEdit::Password);
    QVERIFY(!editor.findChild<QCheckBox*>("eStartup")->isChecked());
    QVERIFY(!editor.findChild<QCheckBox*>("eEvery")->isChecked());
    QCOMPARE(editor.findChild<QLineEdit*>("eMin")->text(), QStringLiteral("0"));
    QVERIFY(!editor.findChild<QLineEdit*>("eMin")->isEnabled());
    AccountRecord back = lr;
    editor.ApplyTo(back);
    QCOMPARE(int(back.Refresh), 0);
    QCOMPARE(back.APIname, std::string("myapi"));
  }

  void newAccountThroughTheMainWindow() {
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile({MakeAccount(1, "", "U1")}));
    w->show();
    QSignalSpy requested(w.get(), &MainWindow::BalanceRequested);
    WhenEditorOpens([](AccountEditorDialog& e) {
      QCOMPARE(e.windowTitle(), QStringLiteral("New account"));
      QCOMPARE(e.findChild<QComboBox*>("cAccountType")->currentIndex(), 1);
      QVERIFY(e.findChild<QCheckBox*>("eStartup")->isChecked());
      e.findChild<QComboBox*>("cAccountType")->setCurrentIndex(0);
      Set(e, "eID", "7654321");
      Set(e, "eName", "Metal");
      Set(e, "ePass", "phrase");
      Tick(e, "eEvery", true);
      Set(e, "eMin", "30");
      Ok(e);
    });
    w->findChild<QAction*>("New")->trigger();
    QCOMPARE(w->Model().AccountCount(), 2);
    const AccountRecord& a = w->Model().Account(1);
    QCOMPARE(a.ID, std::string("7654321"));
    QCOMPARE(a.Type, AccountType::Egold);
    QCOMPARE(a.Password, std::string("phrase"));
    QCOMPARE(int(a.Refresh), 30);
    QVERIFY(a.Update);
    QCOMPARE(a.Updated, f.clock.now);
    QCOMPARE(a.BatchDate, f.clock.now);
    QCOMPARE(requested.count(), 1);
    QCOMPARE(nummora::test::Cell(w->findChild<QTreeView*>("List"), 1, 0), QStringLiteral("Metal (7654321)"));

    // A refused minutes value adds nothing.
    WhenEditorOpens([](AccountEditorDialog& e) {
      Set(e, "eLRID", "U3");
      Set(e, "eLRAPI", "x");
      Tick(e, "eEvery", true);
      Set(e, "eMin", "70000");
      Ok(e);
      QCOMPARE(e.result(), 0);
      e.reject();
    });
    w->findChild<QAction*>("New")->trigger();
    QCOMPARE(w->Model().AccountCount(), 2);
    QCOMPARE(nummora::test::RowCount(w->findChild<QTreeView*>("List")), 2);
  }

  void infoWritesBackAndCancelKeeps() {
    MainWindowFixture f;
    AccountRecord lr = MakeAccount(1, "Old", "U1");
    lr.Refresh = 5;
    auto w = f.Open(f.WriteProfile({lr}));
    w->show();
    QCOMPARE(w->Model().SelectedRow(), 0);
    WhenEditorOpens([](AccountEditorDialog& e) {
      QCOMPARE(e.findChild<QLineEdit*>("eMin")->text(), QStringLiteral("5"));
      Set(e, "eLRName", "New name");
      e.reject();
    });
    w->findChild<QAction*>("Info")->trigger();
    QCOMPARE(w->Model().Account(0).Name, std::string("Old"));
    WhenEditorOpens([](AccountEditorDialog& e) {
      Set(e, "eLRName", "New name");
      Tick(e, "eEvery", false);
      Ok(e);
    });
    w->findChild<QAction*>("Info")->trigger();
    QCOMPARE(w->Model().Account(0).Name, std::string("New name"));
    QCOMPARE(int(w->Model().Account(0).Refresh), 0);
    QCOMPARE(nummora::test::Cell(w->findChild<QTreeView*>("List"), 0, 0), QStringLiteral("New name (U1)"));
  }

  void signupLinks() {
    AccountEditorDialog editor(true, {}, nullptr);
    editor.egoldSecureBase = "https://eg.example";
    editor.egoldSignupId = "42";
    editor.vendorBase = "http://vendor.example";
    QList<QUrl> opened;
    editor.openUrl = [&opened](const QUrl& url) { opened << url; };
    QTest::mouseClick(editor.findChild<QToolButton*>("bRegisterEgold"), Qt::LeftButton);
    QTest::mouseClick(editor.findChild<QToolButton*>("bRegisterLRButton"), Qt::LeftButton);
    QCOMPARE(opened.value(0).toString(), QStringLiteral("https://eg.example/newacct/newaccount.asp?cid=42"));
    QCOMPARE(opened.value(1).toString(), QStringLiteral("http://vendor.example/services/new_lr.php?reg=0"));
  }
};

NUMMORA_QTEST_MAIN(TestAccountEditor)
#include "test_account_editor_dialog.moc"
