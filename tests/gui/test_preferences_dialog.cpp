// The preferences dialog against a real settings store and profile file: the first load of a
// new profile, OK, Enter and Cancel, the proxy and its indicator, the display currency, the
// default account, stay on top, the password change and the move of the data file (asking
// before an existing file is replaced).
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <fstream>
#include <iterator>

#include "market/metals_pane_widget.h"
#include "preferences/hotkey_edit.h"
#include "preferences/hotkey_manager.h"
#include "preferences/preferences_dialog.h"
#include "support/main_window_fixture.h"
#include "support/qt_test_main.h"

using namespace nummora;
using namespace nummora::test;

namespace {

template <typename T>
T* Child(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(QString::fromLatin1(name));
  if (!child) qFatal("no child %s", name);
  return child;
}

QStringList BoxTexts(const RecordingBoxes& boxes) {
  QStringList texts;
  for (const RecordedBox& b : boxes.shown) texts << b.text;
  return texts;
}

}  // namespace

class TestPreferencesDialog : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindowFixture> f;
  std::unique_ptr<MainWindow> w;

  // A shown main window with the preferences created, over a profile with these accounts.
  PreferencesDialog* Open(const std::vector<AccountRecord>& accounts) {
    w = f->Open(f->WriteProfile(accounts));
    w->show();
    w->CreatePreferences(nullptr, "/usr/bin/nummora");
    return w->Preferences();
  }

  int Stored(const char* name) {
    f->store->SetRootKey(RootKey::LocalMachine);
    f->store->OpenKey(ProfileKeyPath(MainWindowFixture::kProfile), false);
    return f->store->ReadInteger(name);
  }
  std::string StoredText(const char* name) {
    f->store->SetRootKey(RootKey::LocalMachine);
    f->store->OpenKey(ProfileKeyPath(MainWindowFixture::kProfile), false);
    return f->store->ReadString(name);
  }

 private slots:
  void init() { f = std::make_unique<MainWindowFixture>(); }
  void cleanup() {
    w.reset();
    f.reset();
  }

  void newProfileWritesEveryDefaultAndRegistersFromTheNextLoad() {
    w = f->Open(f->WriteProfile({}));
    w->CreatePreferences(nullptr, "/usr/bin/nummora");
    QCOMPARE(Stored("SavePassPhrase"), 1);
    QCOMPARE(Stored("UseProxy"), 0);
    QCOMPARE(StoredText("ProxyHost"), std::string());
    QCOMPARE(StoredText("ProxyPort"), std::string());
    QCOMPARE(StoredText("ProxyUser"), std::string());
    QCOMPARE(StoredText("ProxyPasswd"), std::string());
    QCOMPARE(Stored("OnTop"), 0);
    QCOMPARE(Stored("acct[ount"), 0);
    QCOMPARE(Stored("Fiat"), 0);
    QCOMPARE(Stored("HotkeyBalance"), 24641);
    QCOMPARE(Stored("HotkeySpend"), 24659);
    QCOMPARE(StoredText(""), f->dataFile);
    QVERIFY2(f->notifier.balloons.empty(), "the first load registers no hotkey");

    // The next load registers them; without X11 (offscreen) each one fails and says so.
    w->Preferences()->LoadAndApply();
    QCOMPARE(int(f->notifier.balloons.size()), 2);
    QCOMPARE(f->notifier.balloons[0].title, QStringLiteral("Hotkey error"));
    QCOMPARE(f->notifier.balloons[0].text, QStringLiteral("Could not set Ctrl+Shift+A as a hotkey"));
    QCOMPARE(f->notifier.balloons[1].text, QStringLiteral("Could not set Ctrl+Shift+S as a hotkey"));
    QVERIFY(w->Hotkeys()->Registered().empty());
  }

  void okEnterAndCancel() {
    PreferencesDialog* d = Open({});
    d->show();
    auto* host = Child<QLineEdit>(d, "ProxyHost");
    auto* top = Child<QCheckBox>(d, "chkTop");
    auto* hotBalance = Child<HotkeyEdit>(d, "HotBalance");

    // Enter saves and applies and leaves the dialog open.
    top->setChecked(true);
    QTest::keyClick(d, Qt::Key_Return);
    QVERIFY(d->isVisible());
    QCOMPARE(Stored("OnTop"), 1);
    QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // Esc closes and drops what was not saved.
    host->setText(QStringLiteral("unsaved"));
    top->setChecked(false);
    QTest::keyClick(d, Qt::Key_Escape);
    QVERIFY(!d->isVisible());
    QCOMPARE(host->text(), QString());
    QVERIFY(top->isChecked());
    QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // OK saves and closes; a cleared hotkey box stores 0 and nothing is registered for it.
    d->show();
    QTest::keyClick(hotBalance, Qt::Key_Backspace);
    QCOMPARE(hotBalance->Value(), 0);
    top->setChecked(false);
    QTest::mouseClick(Child<QPushButton>(d, "bOk"), Qt::LeftButton);
    QVERIFY(!d->isVisible());
    QCOMPARE(Stored("HotkeyBalance"), 0);
    QCOMPARE(Stored("OnTop"), 0);
    QVERIFY(!w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(hotBalance->text(), QString());
    // Offscreen there is no X11: only the spend hotkey was tried, and its failure was told.
    const QString told = BoxTexts(f->boxes).join('|');
    QVERIFY(told.contains(QStringLiteral("Could not set Ctrl+Shift+S as a hotkey")));
  }

  void proxyFieldsIndicatorAndPortCheck() {
    PreferencesDialog* d = Open({});
    d->show();
    auto* use = Child<QCheckBox>(d, "UseProxy");
    const char* fields[] = {"ProxyHost", "ProxyPort", "ProxyUser", "ProxyPasswd"};
    for (const char* name : fields) QVERIFY(!Child<QLineEdit>(d, name)->isEnabled());
    use->click();
    for (const char* name : fields) QVERIFY(Child<QLineEdit>(d, name)->isEnabled());

    Child<QLineEdit>(d, "ProxyHost")->setText(QStringLiteral("proxy.local"));
    Child<QLineEdit>(d, "ProxyPort")->setText(QStringLiteral("99999"));
    QTest::mouseClick(Child<QPushButton>(d, "bOk"), Qt::LeftButton);
    QVERIFY2(d->isVisible(), "a port outside 1 to 65535 is refused");
    QVERIFY(f->boxes.LastText().contains(QStringLiteral("Port")));
    QCOMPARE(Stored("UseProxy"), 0);

    Child<QLineEdit>(d, "ProxyPort")->setText(QStringLiteral("3128"));
    QTest::mouseClick(Child<QPushButton>(d, "bOk"), Qt::LeftButton);
    QVERIFY(!d->isVisible());
    auto* indicator = Child<QLabel>(w.get(), "StatusProxy");
    QCOMPARE(indicator->toolTip(), QStringLiteral("Current proxy: proxy.local:3128"));
    QVERIFY(w->Model().Proxy.UseProxy);
    QCOMPARE(w->Model().Proxy.ProxyPort, 3128);
    const QImage coloured = indicator->pixmap().toImage();

    d->show();
    use->click();
    QTest::keyClick(d, Qt::Key_Return);
    QCOMPARE(indicator->toolTip(), QString());
    QVERIFY(!w->Model().Proxy.UseProxy);
    QVERIFY2(indicator->pixmap().toImage() != coloured, "the indicator is greyed when the proxy is off");
  }

  void currencyRetitlesAndRevalues() {
    AccountRecord lr = MakeAccount(1, "Reserve", "U1234567");
    lr.LRusd = 12345000;
    lr.LReur = 100000;
    PreferencesDialog* d = Open({lr});
    QTreeView* list = AccountsList(*w);
    QCOMPARE(nummora::test::Cell(list, 0, 1), QStringLiteral("$1234.5"));
    auto* metals = Child<QTreeWidget>(w.get(), "Metals");
    QCOMPARE(metals->headerItem()->text(MetalsPane::kAmountColumn), QStringLiteral("Amount in USD"));
    d->show();
    Child<QComboBox>(d, "Valute")->setCurrentIndex(1);
    QTest::mouseClick(Child<QPushButton>(d, "bOk"), Qt::LeftButton);
    QCOMPARE(Stored("Fiat"), 1);
    QCOMPARE(d->DisplayCurrency(), std::string("EUR"));
    QCOMPARE(w->Model().DisplayCurrency, std::string("EUR"));
    QCOMPARE(metals->headerItem()->text(MetalsPane::kAmountColumn), QStringLiteral("Amount in EUR"));
    QCOMPARE(nummora::test::Cell(list, 0, 1), QStringLiteral("EUR 10"));
  }

  void defaultAccountIsSelectedAtTheNextLogin() {
    const std::vector<AccountRecord> accounts = {MakeAccount(0, "One", "1001"), MakeAccount(0, "", "1002"),
                                                 MakeAccount(0, "Three", "1003")};
    PreferencesDialog* d = Open(accounts);
    QCOMPARE(w->Model().SelectedRow(), 0);
    d->show();
    auto* def = Child<QComboBox>(d, "DefAccount");
    QCOMPARE(def->count(), 3);
    QCOMPARE(def->itemText(1), QStringLiteral("1002"));
    QCOMPARE(def->itemText(2), QStringLiteral("Three (1003)"));
    def->setCurrentIndex(2);
    emit def->activated(2);
    QTest::mouseClick(Child<QPushButton>(d, "bOk"), Qt::LeftButton);
    QCOMPARE(Stored("acct[ount"), 2);
    w->close();
    w.reset();
    w = f->Open(DecipherFile(f->dataFile, MainWindowFixture::kPassword));
    w->show();
    QCOMPARE(w->Model().AccountOfRow(w->Model().SelectedRow()), 2);
  }

  void passwordChange() {
    PreferencesDialog* d = Open({MakeAccount(0, "One", "1001")});
    d->show();
    auto* oldField = Child<QLineEdit>(d, "eOldPassword");
    auto* newField = Child<QLineEdit>(d, "eNewPassword");
    auto* retype = Child<QLineEdit>(d, "eRetypePassword");
    auto* change = Child<QPushButton>(d, "bChangePassword");
    // One box per attempt; its text (and icon) tell the outcome.
    const auto attempt = [&](const char* o, const char* n, const char* r) -> RecordedBox {
      oldField->setText(QString::fromLatin1(o));
      newField->setText(QString::fromLatin1(n));
      retype->setText(QString::fromLatin1(r));
      f->boxes.shown.clear();
      QTest::mouseClick(change, Qt::LeftButton);
      if (f->boxes.shown.size() != 1)
        return {MessageIcon::None, QStringLiteral("%1 boxes").arg(f->boxes.shown.size())};
      return f->boxes.shown.back();
    };
    RecordedBox box = attempt("nope", "newpass", "newpass");
    QCOMPARE(box.text, QStringLiteral("Wrong password"));
    QCOMPARE(box.icon, MessageIcon::None);
    box = attempt(MainWindowFixture::kPassword, "newpass", "newpasz");
    QCOMPARE(box.text, QStringLiteral(":\r\nWrong new password"));
    QCOMPARE(box.icon, MessageIcon::Error);
    QCOMPARE(newField->text(), QStringLiteral("newpass"));  // a refusal clears no field
    box = attempt(MainWindowFixture::kPassword, "ab", "ab");
    QCOMPARE(box.text, QStringLiteral(":\r\nWrong new password"));
    box = attempt(MainWindowFixture::kPassword, "", "");
    QCOMPARE(box.text, QStringLiteral(":\r\nWrong new password"));
    QVERIFY(LooksLikeProfileDocument(DecipherFile(f->dataFile, MainWindowFixture::kPassword)));

    box = attempt(MainWindowFixture::kPassword, "newpass", "newpass");
    QCOMPARE(box.text, QStringLiteral(":\r\nPassword succesfully changed"));
    QCOMPARE(box.icon, MessageIcon::Information);
    // The change done, the three passwords leave the dialog, which lives for the whole run.
    for (QLineEdit* field : {oldField, newField, retype}) QCOMPARE(field->text(), QString());
    // Written at once: the file opens with the new password only.
    QVERIFY(ReadProfileDocument(DecipherFile(f->dataFile, "newpass"), UsEnglishFormatSettings())
                .accounts.size() == 1);
    QVERIFY(!LooksLikeProfileDocument(DecipherFile(f->dataFile, MainWindowFixture::kPassword)));
    box = attempt("newpass", "third1", "third1");
    QCOMPARE(box.text, QStringLiteral(":\r\nPassword succesfully changed"));
    // Typed and left there: closing the dialog takes them out too.
    oldField->setText(QStringLiteral("third1"));
    newField->setText(QStringLiteral("half typed"));
    QTest::keyClick(d, Qt::Key_Escape);
    for (QLineEdit* field : {oldField, newField, retype}) QCOMPARE(field->text(), QString());
  }

  // A typed path is a file name like the one the file dialog gives: an existing file there is
  // replaced only when the user says so, and the path is stored absolute.
  void typedDataFileOverAnExistingFileAsks() {
    PreferencesDialog* d = Open({MakeAccount(0, "One", "1001")});
    d->show();
    auto* file = Child<QLineEdit>(d, "eDataFile");
    const std::string other = (f->home.Path() + "/other.nmr").toStdString();
    {
      std::ofstream out(other, std::ios::binary);
      out << "another profile";
    }
    const std::string profileBefore = DecipherFile(f->dataFile, MainWindowFixture::kPassword);
    f->boxes.answer = false;
    file->setText(QString::fromStdString(other));
    QTest::mouseClick(Child<QPushButton>(d, "bOk"), Qt::LeftButton);
    QCOMPARE(f->boxes.asked, QStringList{QString::fromStdString(other) +
                                         QStringLiteral(" already exists.\nDo you want to replace it?")});
    QVERIFY2(d->isVisible(), "the profile did not move: the dialog stays open");
    QCOMPARE(StoredText(""), f->dataFile);
    std::ifstream in(other, std::ios::binary);
    QCOMPARE(std::string(std::istreambuf_iterator<char>(in), {}), std::string("another profile"));
    QCOMPARE(DecipherFile(f->dataFile, MainWindowFixture::kPassword), profileBefore);

    // A relative path is taken beside the profile's file and stored absolute.
    f->boxes.asked.clear();
    file->setText(QStringLiteral("sub/../renamed.nmr"));
    QTest::mouseClick(Child<QPushButton>(d, "bOk"), Qt::LeftButton);
    QVERIFY(f->boxes.asked.isEmpty());
    const std::string renamed = (f->home.Path() + "/renamed.nmr").toStdString();
    QCOMPARE(StoredText(""), renamed);
    QVERIFY(LooksLikeProfileDocument(DecipherFile(renamed, MainWindowFixture::kPassword)));
    QVERIFY(!std::filesystem::exists(f->dataFile));
  }

  void dataFileMoves() {
    PreferencesDialog* d = Open({MakeAccount(0, "One", "1001")});
    d->show();
    auto* file = Child<QLineEdit>(d, "eDataFile");
    QCOMPARE(file->text().toStdString(), f->dataFile);

    // A place that cannot be written: said, and the profile stays where it was.
    file->setText(QStringLiteral("/proc/no-such-folder/alice.nmr"));
    QTest::keyClick(d, Qt::Key_Return);
    QVERIFY(f->boxes.LastText().contains(QStringLiteral("could not be moved")));
    QCOMPARE(file->text().toStdString(), f->dataFile);
    QCOMPARE(StoredText(""), f->dataFile);
    QVERIFY(std::filesystem::exists(f->dataFile));

    const std::string moved = (f->home.Path() + "/elsewhere/moved.nmr").toStdString();
    std::filesystem::create_directories(std::filesystem::path(moved).parent_path());
    file->setText(QString::fromStdString(moved));
    QTest::mouseClick(Child<QPushButton>(d, "bOk"), Qt::LeftButton);
    QCOMPARE(StoredText(""), moved);
    QVERIFY(!std::filesystem::exists(f->dataFile));
    QCOMPARE(ReadProfileDocument(DecipherFile(moved, MainWindowFixture::kPassword), UsEnglishFormatSettings())
                 .accounts.front()
                 .ID,
             std::string("1001"));
    // The next save goes to the new place.
    w->close();
    QVERIFY(!std::filesystem::exists(f->dataFile));
    QVERIFY(std::filesystem::exists(moved));
  }
};

NUMMORA_QTEST_MAIN(TestPreferencesDialog)
#include "test_preferences_dialog.moc"
