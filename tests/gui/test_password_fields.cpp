// Password and pass-phrase fields: "*" as the echo character everywhere, characters outside
// ISO-8859-1 refused as they are typed, and a login or a new profile with such a password refused
// (they used to become "?", so that any six Cyrillic letters opened a profile made with six
// others).
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QtTest>
#include <functional>
#include <memory>

#include "accounts/account_editor_dialog.h"
#include "platform/settings_store.h"
#include "profile/login_dialog.h"
#include "profile/login_flow.h"
#include "profile/new_profile_dialog.h"
#include "support/app_test_support.h"
#include "support/qt_test_main.h"
#include "ui/ask_passphrase_dialog.h"
#include "ui/password_field.h"

using namespace nummora;
using namespace nummora::test;

namespace {

using DialogFactory = std::function<std::unique_ptr<QWidget>(SettingsStore&)>;

struct Env {
  Env() : store(home.Path().toStdString() + "/settings.db") {}
  TempHome home;
  SettingsStore store;
  RecordingBoxes boxes;
};

// Types the text character by character as key events carrying the text, as an input method
// or a keyboard layout would (QTest::keyClicks takes ASCII only).
void Type(QLineEdit* edit, const QString& text) {
  for (QChar c : text) QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

const QString kCyrillic = QStringLiteral("пароль");
const QString kLatin1 = QStringLiteral("Passé1ß");

}  // namespace

Q_DECLARE_METATYPE(DialogFactory)

class TestPasswordFields : public QObject {
  Q_OBJECT
 private slots:
  void everyFieldMasksWithAsteriskAndRefusesNonLatin1_data() {
    QTest::addColumn<DialogFactory>("make");
    QTest::addColumn<QString>("field");
    const auto login = [](SettingsStore& s) {
      return std::make_unique<LoginDialog>(s, UsEnglishFormatSettings());
    };
    const auto newUser = [](SettingsStore&) { return std::make_unique<NewProfileDialog>(); };
    const auto editor = [](SettingsStore&) {
      return std::make_unique<AccountEditorDialog>(true, [](const std::string&) { return false; });
    };
    const auto prompt = [](SettingsStore&) { return std::make_unique<PassphraseDialog>(); };
    QTest::newRow("login") << DialogFactory(login) << "ePassword";
    QTest::newRow("new profile") << DialogFactory(newUser) << "ePassword";
    QTest::newRow("new profile confirmation") << DialogFactory(newUser) << "eConfirm";
    QTest::newRow("editor e-gold") << DialogFactory(editor) << "ePass";
    QTest::newRow("editor Liberty Reserve") << DialogFactory(editor) << "eLRPass";
    QTest::newRow("pass-phrase prompt") << DialogFactory(prompt) << "ePasswd";
  }
  void everyFieldMasksWithAsteriskAndRefusesNonLatin1() {
    QFETCH(DialogFactory, make);
    QFETCH(QString, field);
    Env env;
    std::unique_ptr<QWidget> dialog = make(env.store);
    auto* edit = dialog->findChild<QLineEdit*>(field);
    QVERIFY(edit);
    QCOMPARE(edit->echoMode(), QLineEdit::Password);
    QCOMPARE(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit), int('*'));
    Type(edit, kCyrillic);
    QCOMPARE(edit->text(), QString());
    Type(edit, kLatin1);
    QCOMPARE(edit->text(), kLatin1);
    edit->insert(QStringLiteral("x") + kCyrillic);  // a paste holding such a character is refused whole
    QCOMPARE(edit->text(), kLatin1);
  }

  void loginWithNonLatin1PasswordIsRefusedNotTurnedIntoQuestionMarks() {
    Env env;
    CreateProfile(env.store, "bob", "??????", "");  // what "секрет" used to become
    LoginDialog login(env.store, UsEnglishFormatSettings(), &env.boxes);
    auto* list = login.findChild<QListWidget*>("cProfiles");
    list->setCurrentItem(list->findItems("bob", Qt::MatchExactly).value(0));
    login.findChild<QLineEdit*>("ePassword")->setText(kCyrillic);  // set by the program: no typing check
    QTest::mouseClick(login.findChild<QPushButton*>("bOK"), Qt::LeftButton);
    QVERIFY(login.result() != QDialog::Accepted);
    QCOMPARE(env.boxes.LastText(), NotLatin1Message());
  }

  void newProfileWithNonLatin1PasswordIsNotCreated() {
    Env env;
    LoginDialog login(env.store, UsEnglishFormatSettings(), &env.boxes);
    bool accepted = true;
    login.runNewUser = [&](NewProfileDialog& d) {
      d.findChild<QLineEdit*>("eUserName")->setText("carol");
      d.findChild<QLineEdit*>("ePassword")->setText(kCyrillic);
      d.findChild<QLineEdit*>("eConfirm")->setText(kCyrillic);
      QTest::mouseClick(d.findChild<QPushButton*>("bOK"), Qt::LeftButton);
      accepted = d.result() == QDialog::Accepted;
      return accepted;
    };
    QTest::mouseClick(login.findChild<QPushButton*>("bNewProfile"), Qt::LeftButton);
    QVERIFY(!accepted);
    QVERIFY(!ProfileExists(env.store, "carol"));
    QCOMPARE(env.boxes.LastText(), NotLatin1Message());
  }
};

NUMMORA_QTEST_MAIN(TestPasswordFields)
#include "test_password_fields.moc"
