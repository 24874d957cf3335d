// Renders the login dialog, the new-profile dialog and the main window with three accounts
// and checks that each draws a full picture. With NUMMORA_SCREENSHOT_DIR set the pictures are
// kept there as PNG files (docs/screenshots is made this way, under xvfb-run).
#include <QLineEdit>
#include <QListWidget>
#include <QStyleFactory>
#include <QtTest>

#include "accounts/account_editor_dialog.h"
#include "profile/login_dialog.h"
#include "profile/login_flow.h"
#include "profile/new_profile_dialog.h"
#include "support/main_window_fixture.h"

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
    TfLogin login(store, UsEnglishFormatSettings(), &boxes);
    login.findChild<QLineEdit*>("ePassword")->setText("secret");
    login.findChild<QLineEdit*>("ePassword")->deselect();
    Save(login, "login.png");
  }

  void newProfileDialog() {
    TfNewUser user;
    user.findChild<QLineEdit*>("eUserName")->setText("Household");
    user.findChild<QLineEdit*>("ePassword")->setText("secret");
    user.findChild<QLineEdit*>("eConfirm")->setText("secret");
    user.findChild<QLineEdit*>("eHint")->setText("the usual one");
    Save(user, "new-profile.png");
  }

  void accountEditor() {
    TfAccount editor(
        true, [](const std::string&) { return false; }, nullptr);
    editor.findChild<QLineEdit*>("eLRID")->setText("U1234567");
    editor.findChild<QLineEdit*>("eLRName")->setText("Savings");
    editor.findChild<QLineEdit*>("eLRAPI")->setText("savings-api");
    Save(editor, "account-editor.png");
  }

  void mainWindowWithThreeAccounts() {
    MainWindowFixture f;
    TAccount savings = MakeAccount(1, "Savings", "U1234567", EncodeDateTime(2024, 2, 29, 13, 5, 0));
    savings.LRusd = 12345000;
    TAccount shop = MakeAccount(1, "Shop", "X7654321", EncodeDateTime(2024, 3, 1, 9, 30, 12));
    shop.LRusd = 2500000;
    TAccount metal = MakeAccount(0, "Metal", "1234567", EncodeDate(2024, 2, 28));
    auto w = f.Open(f.WriteProfile({savings, shop, metal}));
    w->resize(470, 400);
    Save(*w, "main-window.png");
  }
};

QTEST_MAIN(TestScreenshots)
#include "test_screenshots.moc"
