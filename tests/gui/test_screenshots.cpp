// Renders the login dialog, the new-profile dialog, the main window with three accounts, its
// contacts and last operations, and the details and e-mail notice dialogs, and checks that each
// draws a full picture. With NUMMORA_SCREENSHOT_DIR set the pictures are kept there as PNG files
// (docs/screenshots is made this way, under xvfb-run).
#include <QLineEdit>
#include <QListWidget>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

#include "accounts/account_editor_dialog.h"
#include "operations/details_dialog.h"
#include "operations/email_dialog.h"
#include "operations/operations_page.h"
#include "profile/login_dialog.h"
#include "profile/login_flow.h"
#include "profile/new_profile_dialog.h"
#include "support/main_window_fixture.h"
#include "support/qt_test_main.h"

using namespace nummora;
using namespace nummora::test;

class TestScreenshots : public QObject {
  Q_OBJECT

  QString folder_;
  QTemporaryDir temp_;

  void Save(QWidget& w, const char* name) {
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QPixmap picture = w.grab();
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.size(), w.size() * picture.devicePixelRatio());
    // Not a blank picture: the window drew its controls.
    const QImage image = picture.toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
      for (int x = 0; x < image.width(); x += 4) colours.insert(image.pixel(x, y));
    QVERIFY(colours.size() > 10);
    QVERIFY(picture.save(folder_ + "/" + name, "PNG"));
  }

 private slots:
  void initTestCase() {
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    folder_ = qEnvironmentVariable("NUMMORA_SCREENSHOT_DIR", temp_.path());
    QDir().mkpath(folder_);
  }

  void loginDialog() {
    TempHome home;
    SettingsStore store(home.Path().toStdString() + "/settings.db");
    for (const char* name : {"Alice", "Business", "Savings club"}) CreateProfile(store, name, "secret", "");
    store.OpenKey(kProfilesKey, true);
    store.WriteInteger("LastUser", 0);
    RecordingBoxes boxes;
    LoginDialog login(store, UsEnglishFormatSettings(), &boxes);
    login.findChild<QLineEdit*>("ePassword")->setText("secret");
    login.findChild<QLineEdit*>("ePassword")->deselect();
    Save(login, "login.png");
  }

  void newProfileDialog() {
    NewProfileDialog user;
    user.findChild<QLineEdit*>("eUserName")->setText("Household");
    user.findChild<QLineEdit*>("ePassword")->setText("secret");
    user.findChild<QLineEdit*>("eConfirm")->setText("secret");
    user.findChild<QLineEdit*>("eHint")->setText("the usual one");
    Save(user, "new-profile.png");
  }

  void accountEditor() {
    AccountEditorDialog editor(
        true, [](const std::string&) { return false; }, nullptr);
    editor.findChild<QLineEdit*>("eLRID")->setText("U1234567");
    editor.findChild<QLineEdit*>("eLRName")->setText("Savings");
    editor.findChild<QLineEdit*>("eLRAPI")->setText("savings-api");
    Save(editor, "account-editor.png");
  }

  void mainWindowWithThreeAccounts() {
    MainWindowFixture f;
    AccountRecord savings = MakeAccount(1, "Savings", "U1234567", EncodeDateTime(2024, 2, 29, 13, 5, 0));
    savings.LRusd = 12345000;
    AccountRecord shop = MakeAccount(1, "Shop", "X7654321", EncodeDateTime(2024, 3, 1, 9, 30, 12));
    shop.LRusd = 2500000;
    AccountRecord metal = MakeAccount(0, "Metal", "1234567", EncodeDate(2024, 2, 28));
    auto w = f.Open(f.WriteProfile({savings, shop, metal}));
    w->resize(470, 400);
    Save(*w, "main-window.png");
  }

  void contactsAndLastOperations() {
    MainWindowFixture f;
    auto w =
        f.Open(f.WriteProfile({MakeAccount(0, "Metal", "1001001"), MakeAccount(1, "Savings", "U1234567")}));
    w->resize(660, 400);
    w->show();
    const ContactRecord contacts[] = {{"Bob Metals", "1001002", "", "bob@example.org", "coins"},
                                      {"Erin Shop", "", "U1000002", "erin@example.org", "web shop"},
                                      {"Carol", "1001003", "U1000003", "", ""}};
    for (const ContactRecord& c : contacts) QVERIFY(w->AddContact(c));
    auto* pages = w->findChild<QTabWidget*>("PageControl");
    pages->setCurrentWidget(pages->findChild<QWidget*>("tsContacts"));
    QTest::qWait(50);  // the columns widen to their texts on the next turns of the event loop
    Save(*w, "contacts.png");

    w->PaymentDialogServices().recordPayment({"Spent", "41000212", "Metal (1001001)", "1001002", "Bob Metals",
                                              "0.5", "troy ounces of Gold", "coins", "inv 7"});
    w->PaymentDialogServices().recordPayment({"Spent", "41000230", "Metal (1001001)", "1001003", "Carol",
                                              "25", "US Dollars' worth of Silver", "", ""});
    w->PaymentDialogServices().recordPayment({"Received", "41000230", "1001003", "Metal (1001001)", "Carol",
                                              "25", "US Dollars' worth of Silver", "", ""});
    w->findChild<OperationsPage*>()->AddRow(
        {"41000199",
         {"03/01/2024 10:02:11", "Alice Goldsmith (1001009)", "6.50 USD", "rent"},
         OperationKind::Received});
    pages->setCurrentWidget(pages->findChild<QWidget*>("tsOperations"));
    auto* list = w->findChild<QTreeWidget*>("Operations");
    list->setCurrentItem(list->topLevelItem(2));
    QTest::qWait(50);
    Save(*w, "last-operations.png");

    PaymentDetailsDialog details({true, "41000212", "3/1/2024 12:0", "Bob Metals (1001002)",
                                  "0.5 of troy ounces of Gold", "coins", "inv 7"},
                                 w->findChild<QAction*>("EmailDetails"));
    Save(details, "details.png");
    auto* mail = new EmailNoticeDialog(PaymentNotice{}, EmailSetup{}, w.get());
    mail->findChild<QLineEdit*>("yName")->setText("Alice");
    mail->findChild<QLineEdit*>("eName")->setText("Bob Metals");
    mail->findChild<QLineEdit*>("eMail")->setText("bob@example.org");
    Save(*mail, "email-notice.png");
    mail->close();
  }
};

NUMMORA_QTEST_MAIN(TestScreenshots)
#include "test_screenshots.moc"
