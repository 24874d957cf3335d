// "Protect the profile with strong encryption" on the Security page of the preferences: a legacy
// profile is written in the strong format only when the box is checked, and back in the legacy
// one only when it is unchecked and the user agrees; the saves of the run keep the format chosen.
#include <QCheckBox>
#include <QtTest>

#include "preferences/preferences_dialog.h"
#include "profile/profile_open.h"
#include "support/main_window_fixture.h"
#include "support/qt_test_main.h"

using namespace nummora;
using namespace nummora::test;

class TestProfileProtection : public QObject {
  Q_OBJECT

 private slots:
  void checkBoxChangesTheFormatOnlyOnTheUsersWord() {
    MainWindowFixture f;
    auto w = f.Open(f.WriteProfile({MakeAccount(0, "One", "1001")}));
    w->show();
    w->CreatePreferences(nullptr, "/usr/bin/nummora");
    PreferencesDialog* d = w->Preferences();
    d->show();
    auto* strong = d->findChild<QCheckBox*>("chkStrong");
    QVERIFY(strong);
    const auto bytes = [&f] { return ReadProfileFileBytes(f.dataFile); };
    const auto accounts = [&f] {
      ProfileOpenResult opened = OpenProfileFile(f.dataFile, MainWindowFixture::kPassword);
      return opened.status == ProfileOpenStatus::kOpened
                 ? ReadProfileDocument(opened.text.str(), UsEnglishFormatSettings()).accounts.size()
                 : size_t(0);
    };

    // A legacy profile is saved as a legacy profile.
    QVERIFY(!strong->isChecked());
    QVERIFY(w->SessionEnding());
    QVERIFY(!IsStrongProfileFile(bytes()));

    // Checked: written at once in the strong format, and kept so by the saves of the run, which
    // reuse the key (and so the salt) made for it.
    QTest::mouseClick(strong, Qt::LeftButton);
    QVERIFY(strong->isChecked());
    const std::string upgraded = bytes();
    QVERIFY(IsStrongProfileFile(upgraded));
    QCOMPARE(accounts(), size_t(1));
    QVERIFY(w->SessionEnding());
    QVERIFY(bytes() != upgraded);
    QCOMPARE(bytes().substr(24, 16), upgraded.substr(24, 16));
    QVERIFY(f.boxes.shown.empty());

    // Unchecked: asked first; "No" leaves everything as it is.
    f.boxes.answer = false;
    QTest::mouseClick(strong, Qt::LeftButton);
    QCOMPARE(f.boxes.asked.size(), 1);
    QVERIFY(strong->isChecked());
    QVERIFY(IsStrongProfileFile(bytes()));
    f.boxes.answer = true;
    QTest::mouseClick(strong, Qt::LeftButton);
    QVERIFY(!strong->isChecked());
    QVERIFY(!IsStrongProfileFile(bytes()));
    QCOMPARE(accounts(), size_t(1));

    // The box shows the format each time the dialog opens.
    QTest::mouseClick(strong, Qt::LeftButton);
    d->hide();
    strong->setChecked(false);
    d->show();
    QVERIFY(strong->isChecked());
  }
};

NUMMORA_QTEST_MAIN(TestProfileProtection)
#include "test_profile_protection.moc"
