// The on-screen keyboard types into its target field only: letters follow CAPS, BACK removes
// the last character, a masked field stays masked.
#include <QLineEdit>
#include <QToolButton>
#include <QtTest>

#include "support/qt_test_main.h"
#include "ui/keyboard_widget.h"

using nummora::OnScreenKeyboard;

class TestKeyboard : public QObject {
  Q_OBJECT

  static void Click(OnScreenKeyboard* kb, const char* name) {
    auto* key = kb->findChild<QToolButton*>(QString::fromLatin1(name));
    QVERIFY2(key, name);
    QTest::mouseClick(key, Qt::LeftButton);
  }

 private slots:
  void capsTogglesLetterCase() {
    QWidget dialog;
    QLineEdit field(&dialog);
    OnScreenKeyboard* kb = OnScreenKeyboard::Open(&dialog, &field);
    Click(kb, "bCAPS");
    Click(kb, "bKey_q");
    Click(kb, "bKey_1");
    Click(kb, "bCAPS");
    Click(kb, "bKey_q");
    Click(kb, "bSPACE");
    Click(kb, "bKey_m");
    QCOMPARE(field.text(), QStringLiteral("Q1q m"));
    QCOMPARE(kb->findChild<QToolButton*>("bKey_a")->text(), QStringLiteral("a"));
    QCOMPARE(kb->findChild<QToolButton*>("bKey_1")->text(), QStringLiteral("1"));
  }

  void capsChangesAllLetterCaptionsAndNoDigit() {
    QWidget dialog;
    QLineEdit field(&dialog);
    OnScreenKeyboard kb(&dialog, &field);
    Click(&kb, "bCAPS");
    int letters = 0;
    for (QToolButton* key : kb.findChildren<QToolButton*>()) {
      if (!key->objectName().startsWith("bKey_")) continue;
      const QChar c = key->text().at(0);
      if (c.isLetter()) {
        ++letters;
        QVERIFY2(c.isUpper(), qPrintable(key->objectName()));
      } else {
        QVERIFY(c.isDigit());
      }
    }
    QCOMPARE(letters, 26);
    QVERIFY(kb.findChild<QToolButton*>("bENTER")->isHidden());
  }

  void backRemovesLastCharacterAndStopsAtEmpty() {
    QWidget dialog;
    QLineEdit field(&dialog);
    field.setText("ab");
    OnScreenKeyboard kb(&dialog, &field);
    Click(&kb, "bBACK");
    QCOMPARE(field.text(), QStringLiteral("a"));
    Click(&kb, "bBACK");
    Click(&kb, "bBACK");
    QCOMPARE(field.text(), QString());
  }

  void maskedFieldShowsTypedCharactersMasked() {
    QWidget dialog;
    QLineEdit field(&dialog);
    field.setEchoMode(QLineEdit::Password);
    QSignalSpy changed(&field, &QLineEdit::textChanged);
    OnScreenKeyboard kb(&dialog, &field);
    Click(&kb, "bKey_x");
    Click(&kb, "bKey_7");
    QCOMPARE(field.text(), QStringLiteral("x7"));
    QCOMPARE(field.displayText().size(), 2);
    QVERIFY(!field.displayText().contains('x'));
    QCOMPARE(changed.count(), 2);  // dialogs re-check their OK button on every change
  }

  void escapeHidesAndTargetGoneIsHarmless() {
    QWidget dialog;
    auto* field = new QLineEdit(&dialog);
    OnScreenKeyboard* kb = OnScreenKeyboard::Open(&dialog, field);
    QVERIFY(kb->isVisible());
    QTest::keyClick(kb, Qt::Key_Escape);
    QVERIFY(!kb->isVisible());
    delete field;
    Click(kb, "bKey_a");  // the field went away with its dialog page: nothing to type into
    Click(kb, "bBACK");
  }

  void eachOpenMakesANewKeyboardOwnedByTheDialog() {
    auto* dialog = new QWidget;
    QLineEdit field(nullptr);
    QPointer<OnScreenKeyboard> a = OnScreenKeyboard::Open(dialog, &field);
    QPointer<OnScreenKeyboard> b = OnScreenKeyboard::Open(dialog, &field);
    QVERIFY(a != b);
    // At least the keyboard's size at an 8-point font, larger with a larger font, every key inside.
    QVERIFY(a->width() >= 257 && a->height() >= 150);
    for (QToolButton* key : a->findChildren<QToolButton*>()) QVERIFY(a->rect().contains(key->geometry()));
    QCOMPARE(a->windowTitle(), QStringLiteral("Virtual Keyboard"));
    delete dialog;
    QVERIFY(a.isNull() && b.isNull());
  }
};

NUMMORA_QTEST_MAIN(TestKeyboard)
#include "test_keyboard_widget.moc"
