// The pass-phrase prompt's window: caption, account label, masked field, the keys that close it,
// and the on-screen keyboard typing into the field. The three-attempt rule runs through the
// workers' tests.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QtTest>

#include "net/worker_host.h"
#include "support/qt_test_main.h"
#include "ui/ask_passphrase_dialog.h"

using namespace nummora;

class TestAskPassPhraseDialog : public QObject {
  Q_OBJECT

 private slots:
  void showsAccountAndMasksTyping() {
    PassphraseDialog dialog;
    AccountRecord account;
    account.Name = "Savings";
    account.ID = "1234567";
    dialog.SetAccountLabel(AccountLabel(account));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("PassPhrase"));
    QVERIFY(dialog.windowFlags().testFlag(Qt::Tool));
    QCOMPARE(dialog.findChild<QLabel*>("lName")->text(), QStringLiteral("Savings (1234567):"));
    auto* field = dialog.findChild<QLineEdit*>("ePasswd");
    QVERIFY(field);
    QCOMPARE(field->echoMode(), QLineEdit::Password);
    QCOMPARE(field->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, field), int('*'));
    QCOMPARE(dialog.findChild<QToolButton*>("bKeyboard")->toolTip(), QStringLiteral("Virtual Keyboard"));
    QCOMPARE(dialog.findChild<QPushButton*>("bOK")->text(), QStringLiteral("&OK"));
  }

  void keysCloseTheDialog_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::newRow("Enter") << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("Escape") << int(Qt::Key_Escape) << int(QDialog::Rejected);
  }
  void keysCloseTheDialog() {
    QFETCH(int, key);
    QFETCH(int, result);
    PassphraseDialog dialog;
    int seen = -1;
    QTimer::singleShot(0, &dialog, [&] {
      QTest::keyClicks(dialog.Field(), "abcdefg");
      QTest::keyClick(dialog.Field(), Qt::Key(key));
    });
    seen = dialog.exec();
    QCOMPARE(seen, result);
    QCOMPARE(dialog.PassPhrase(), std::string("abcdefg"));
    // The next showing starts with an empty field.
    QTimer::singleShot(0, &dialog, [&] {
      QVERIFY(dialog.Field()->text().isEmpty());
      dialog.reject();
    });
    dialog.exec();
  }

  void virtualKeyboardTypesIntoField() {
    PassphraseDialog dialog;
    dialog.show();
    QTest::mouseClick(dialog.findChild<QToolButton*>("bKeyboard"), Qt::LeftButton);
    QVERIFY(dialog.Keyboard());
    QTest::mouseClick(dialog.Keyboard()->findChild<QToolButton*>("bKey_x"), Qt::LeftButton);
    QTest::mouseClick(dialog.Keyboard()->findChild<QToolButton*>("bKey_7"), Qt::LeftButton);
    QCOMPARE(dialog.Field()->text(), QStringLiteral("x7"));
    // A second click keeps the one keyboard.
    OnScreenKeyboard* first = dialog.Keyboard();
    QTest::mouseClick(dialog.findChild<QToolButton*>("bKeyboard"), Qt::LeftButton);
    QCOMPARE(dialog.Keyboard(), first);
  }

  void storedPassPhraseIsNotAsked() {
    AccountRecord account;
    account.ID = "1234567";
    account.Password = "sixsix";
    DialogPassphrasePrompt prompt(nullptr);
    QCOMPARE(int(AskPassPhrase(account, prompt)), int(AskOutcome::Known));
    QCOMPARE(account.Password, std::string("sixsix"));
  }
};

NUMMORA_QTEST_MAIN(TestAskPassPhraseDialog)
#include "test_ask_passphrase_dialog.moc"
