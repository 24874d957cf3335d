// The login and new-profile dialogs: the profile list, the rules that enable "&OK", creating
// a profile, and every way a login attempt can end.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "platform/settings_store.h"
#include "profile/document.h"
#include "profile/login_dialog.h"
#include "profile/login_flow.h"
#include "profile/new_profile_dialog.h"
#include "profile/profile_file.h"
#include "profile/profile_open.h"
#include "profile/profile_settings.h"
#include "support/app_test_support.h"
#include "support/qt_test_main.h"
#include "ui/balloon_widget.h"

using namespace nummora;
using namespace nummora::test;

namespace {

struct Env {
  Env() : store(home.Path().toStdString() + "/settings.db") {}
  TempHome home;
  SettingsStore store;
  RecordingBoxes boxes;
};

// Fills the new profile dialog and confirms it when its "&OK" is enabled.
std::function<bool(NewProfileDialog&)> FillNewUser(QString name, QString password, QString confirm,
                                                   QString hint) {
  return [=](NewProfileDialog& d) {
    d.findChild<QLineEdit*>("eUserName")->setText(name);
    d.findChild<QLineEdit*>("ePassword")->setText(password);
    d.findChild<QLineEdit*>("eConfirm")->setText(confirm);
    d.findChild<QLineEdit*>("eHint")->setText(hint);
    auto* ok = d.findChild<QPushButton*>("bOK");
    if (!ok->isEnabled()) return false;
    QTest::mouseClick(ok, Qt::LeftButton);
    return d.result() == QDialog::Accepted;
  };
}

void CreateWithDialog(Env& env, LoginDialog& login, const QString& name, const QString& password,
                      const QString& hint = {}) {
  login.runNewUser = FillNewUser(name, password, password, hint);
  QTest::mouseClick(login.findChild<QPushButton*>("bNewProfile"), Qt::LeftButton);
  Q_UNUSED(env);
}

QStringList Names(LoginDialog& login) {
  QStringList names;
  auto* list = login.findChild<QListWidget*>("cProfiles");
  for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
  return names;
}

void TryLogin(LoginDialog& login, const QString& name, const QString& password) {
  auto* list = login.findChild<QListWidget*>("cProfiles");
  list->setCurrentItem(list->findItems(name, Qt::MatchExactly).value(0));
  login.findChild<QLineEdit*>("ePassword")->setText(password);
  QTest::mouseClick(login.findChild<QPushButton*>("bOK"), Qt::LeftButton);
}

}  // namespace

class TestLoginDialog : public QObject {
  Q_OBJECT
 private slots:
  void noProfiles() {
    Env env;
    LoginDialog login(env.store, UsEnglishFormatSettings(), &env.boxes);
    QCOMPARE(login.windowTitle(), QStringLiteral("Nummora Login"));
    auto* list = login.findChild<QListWidget*>("cProfiles");
    QCOMPARE(list->count(), 0);
    QVERIFY(list->selectedItems().isEmpty());
    login.findChild<QLineEdit*>("ePassword")->setText("long enough");
    QVERIFY(!login.findChild<QPushButton*>("bOK")->isEnabled());
    QVERIFY(login.findChild<QPushButton*>("bNewProfile")->isEnabled());
  }

  void okRule_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<bool>("loginOk");
    QTest::addColumn<bool>("newOk");
    QTest::newRow("2 characters") << "ab"
                                  << "ab" << false << false;
    QTest::newRow("3 characters") << "abc"
                                  << "abc" << true << true;
    QTest::newRow("confirmation differs in case") << "abc"
                                                  << "aBc" << true << false;
    QTest::newRow("no confirmation") << "abcd"
                                     << "" << true << false;
  }
  void okRule() {
    QFETCH(QString, password);
    QFETCH(QString, confirm);
    QFETCH(bool, loginOk);
    QFETCH(bool, newOk);
    Env env;
    LoginDialog login(env.store, UsEnglishFormatSettings(), &env.boxes);
    CreateWithDialog(env, login, "bob", "pass");
    login.findChild<QListWidget*>("cProfiles")->setCurrentRow(0);
    login.findChild<QLineEdit*>("ePassword")->setText(password);
    QCOMPARE(login.findChild<QPushButton*>("bOK")->isEnabled(), loginOk);

    NewProfileDialog user;
    user.findChild<QLineEdit*>("eUserName")->setText("carol");
    user.findChild<QLineEdit*>("ePassword")->setText(password);
    user.findChild<QLineEdit*>("eConfirm")->setText(confirm);
    QCOMPARE(user.findChild<QPushButton*>("bOK")->isEnabled(), newOk);
    user.findChild<QLineEdit*>("eUserName")->clear();
    QVERIFY(!user.findChild<QPushButton*>("bOK")->isEnabled());
  }

  void newProfileThenLogin() {
    Env env;
    LoginDialog login(env.store, UsEnglishFormatSettings(), &env.boxes);
    login.findChild<QLineEdit*>("ePassword")->setText("typed before");
    CreateWithDialog(env, login, "alice", "secret", "my hint");
    QCOMPARE(Names(login), QStringList{"alice"});
    QCOMPARE(login.findChild<QLineEdit*>("ePassword")->text(), QString());
    // "LastUser" is missing, so position 0 is selected: the new profile by chance only.
    const std::string path = NewProfilePath("alice").string();
    // The 13 bytes of "<?nmr> <?end>" in the strong format.
    QCOMPARE(QFileInfo(QString::fromStdString(path)).size(), qint64(13 + kStrongOverhead));
    QVERIFY(IsStrongProfileFile(ReadProfileFileBytes(path)));
    QCOMPARE(QFileInfo(QString::fromStdString(path)).permissions() & (QFile::ReadOther | QFile::ReadGroup),
             QFile::Permissions());
    env.store.SetRootKey(RootKey::LocalMachine);
    QVERIFY(env.store.OpenKey(ProfileKeyPath("alice"), false));
    QCOMPARE(env.store.ReadString(""), path);
    QCOMPARE(env.store.ReadString("Hint"), std::string("my hint"));

    TryLogin(login, "alice", "secret");
    QCOMPARE(login.result(), int(QDialog::Accepted));
    QCOMPARE(login.ProfileName(), std::string("alice"));
    QCOMPARE(login.ProfileText(), std::string("<?nmr> <?end>"));
    QCOMPARE(login.ProfilePassword(), std::string("secret"));
    QCOMPARE(int(login.TakeProfileKey().Format()), int(ProfileFormat::kStrong));
    QVERIFY(env.boxes.shown.empty());
    // The store stays open at the profile's key.
    QCOMPARE(env.store.ReadString("Hint"), std::string("my hint"));
  }

  void lastUserSelects_data() {
    QTest::addColumn<int>("lastUser");
    QTest::addColumn<int>("selected");
    QTest::newRow("second") << 1 << 1;
    QTest::newRow("past the end") << 5 << -1;
    QTest::newRow("negative") << -1 << -1;
  }
  void lastUserSelects() {
    QFETCH(int, lastUser);
    QFETCH(int, selected);
    Env env;
    for (const char* name : {"a1", "b2", "c3"}) CreateProfile(env.store, name, "pw1", "");
    env.store.OpenKey(kProfilesKey, true);
    env.store.WriteInteger("LastUser", lastUser);
    LoginDialog login(env.store, UsEnglishFormatSettings(), &env.boxes);
    auto* list = login.findChild<QListWidget*>("cProfiles");
    QCOMPARE(list->selectedItems().isEmpty() ? -1 : list->currentRow(), selected);
  }

  void wrongPasswordBalloon_data() {
    QTest::addColumn<QString>("hint");
    QTest::addColumn<bool>("caps");
    QTest::addColumn<QString>("text");
    QTest::newRow("no hint, caps off") << "" << false << "Please enter password again";
    QTest::newRow("blank hint") << "   " << false << "Please enter password again";
    QTest::newRow("hint") << " blue " << false << "Please enter password again\nPassword hint:  blue ";
    QTest::newRow("caps on") << "" << true << "Please enter password again\nAttention: CAPS LOCK on!";
    QTest::newRow("hint and caps")
        << "blue" << true << "Please enter password again\nPassword hint: blue\nAttention: CAPS LOCK on!";
  }
  void wrongPasswordBalloon() {
    QFETCH(QString, hint);
    QFETCH(bool, caps);
    QFETCH(QString, text);
    Env env;
    CreateProfile(env.store, "alice", "secret", hint.toStdString());
    LoginDialog login(env.store, UsEnglishFormatSettings(), &env.boxes);
    login.capsLockOn = [caps] { return caps; };
    TryLogin(login, "alice", "Secret");
    QCOMPARE(login.result(), 0);
    QVERIFY(login.Balloon()->isVisible());
    QCOMPARE(login.Balloon()->Title(), QStringLiteral("Wrong password"));
    QCOMPARE(login.Balloon()->IconKind(), BalloonTip::Icon::Error);
    QCOMPARE(login.Balloon()->Text(), text);
    QCOMPARE(login.findChild<QLineEdit*>("ePassword")->text(), QString());
    QVERIFY(env.boxes.shown.empty());
    // The attempt is remembered even though it failed.
    env.store.OpenKey(kProfilesKey, false);
    QCOMPARE(env.store.ReadInteger("LastUser"), 0);
  }

  void missingFileIsRemoved() {
    Env env;
    CreateProfile(env.store, "alice", "secret", "");
    CreateProfile(env.store, "bob", "secret", "");
    QFile::remove(QString::fromStdString(NewProfilePath("alice").string()));
    LoginDialog login(env.store, UsEnglishFormatSettings(), &env.boxes);
    TryLogin(login, "alice", "secret");
    QCOMPARE(env.boxes.LastText(), QStringLiteral("Data file not found"));
    QCOMPARE(env.boxes.shown.at(0).icon, MessageIcon::Error);
    QCOMPARE(Names(login), QStringList{"bob"});
    QVERIFY(!ProfileExists(env.store, "alice"));
    QVERIFY(login.isVisible() || login.result() == 0);
  }

  void unusableFilesAreRefused_data() {
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty file") << QByteArray() << "Error loading profile";
    QTest::newRow("no trailer")
        << QByteArray("<?nmr version=\"4.4\" encoding=\"iso-8859-1\"?>\r\n<Account> <Type>1</Type>")
        << "File is damaged";
  }
  void unusableFilesAreRefused() {
    QFETCH(QByteArray, document);
    QFETCH(QString, message);
    Env env;
    CreateProfile(env.store, "alice", "secret", "");
    EncipherToFile(NewProfilePath("alice").string(), document.toStdString(), "secret");
    LoginDialog login(env.store, UsEnglishFormatSettings(), &env.boxes);
    TryLogin(login, "alice", "secret");
    QCOMPARE(login.result(), 0);
    QCOMPARE(env.boxes.LastText(), message);
    QCOMPARE(Names(login), QStringList{"alice"});
  }

  void damagedIsReadFourTimes() {
    Env env;
    CreateProfile(env.store, "alice", "secret", "");
    int reads = 0;
    const LoginResult r = AttemptLogin(env.store, 0, "alice", "secret", UsEnglishFormatSettings(),
                                       [&reads](const std::string&, const std::string&) {
                                         ++reads;
                                         return std::string("<?nmr cut short");
                                       });
    QCOMPARE(int(r.outcome), int(LoginOutcome::Damaged));
    QCOMPARE(reads, 4);
    // A read that comes complete on a second try opens the profile.
    reads = 0;
    const LoginResult ok =
        AttemptLogin(env.store, 0, "alice", "secret", UsEnglishFormatSettings(),
                     [&reads](const std::string&, const std::string&) {
                       return ++reads < 2 ? std::string("<?nmr") : std::string("<?nmr> <?end>");
                     });
    QCOMPARE(int(ok.outcome), int(LoginOutcome::Success));
  }

  void documentTheReaderCannotTakeIsRefused() {
    Env env;
    CreateProfile(env.store, "alice", "secret", "");
    const std::string path = NewProfilePath("alice").string();
    const std::string text =
        "<?nmr version=\"4.4\" encoding=\"iso-8859-1\"?>\r\n<Account> "
        "<Type>1</Type><ID>U1</ID><Refresh>70000</Refresh>"
        "</Account>\r\n<Rates></Rates>\r\n<?end>\r\n";
    EncipherToFile(path, text, "secret");
    LoginDialog login(env.store, UsEnglishFormatSettings(), &env.boxes);
    TryLogin(login, "alice", "secret");
    QCOMPARE(login.result(), 0);
    QCOMPARE(env.boxes.shown.size(), size_t(1));
    QVERIFY(!env.boxes.LastText().isEmpty());
    QCOMPARE(DecipherFile(path, "secret"), text);  // nothing overwritten
  }

  void refusedNames_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("blanks") << "   ";
    QTest::newRow("dot") << ".";
    QTest::newRow("dot dot") << "..";
    QTest::newRow("slash") << "a/b";
    QTest::newRow("backslash") << "a\\b";
  }
  void refusedNames() {
    QFETCH(QString, name);
    Env env;
    LoginDialog login(env.store, UsEnglishFormatSettings(), &env.boxes);
    CreateWithDialog(env, login, name, "secret");
    QCOMPARE(env.boxes.shown.size(), size_t(1));
    QVERIFY(env.boxes.LastText().contains("cannot be used for a profile"));
    QCOMPARE(Names(login), QStringList());
    QVERIFY(QDir(QString::fromStdString(NewProfilePath("x").parent_path().string()))
                .entryList(QDir::Files)
                .isEmpty());
  }

  void existingFileIsNeverReplaced() {
    Env env;
    LoginDialog login(env.store, UsEnglishFormatSettings(), &env.boxes);
    CreateWithDialog(env, login, "alice", "first", "one");
    const std::string path = NewProfilePath("alice").string();
    CreateWithDialog(env, login, "alice", "second", "two");
    QCOMPARE(env.boxes.asked.size(), 0);
    QVERIFY(env.boxes.LastText().contains(QString::fromStdString(path)));
    // Also when the settings no longer know the profile.
    env.store.OpenKey(kProfilesKey, false);
    env.store.DeleteKey("alice");
    CreateWithDialog(env, login, "alice", "third", "three");
    QCOMPARE(env.boxes.shown.size(), size_t(2));
    QCOMPARE(OpenProfileFile(path, "first").text.str(), std::string(kEmptyProfileDocument));
  }

  void knownNameWithoutFileIsReplacedOnlyWhenAgreed() {
    Env env;
    LoginDialog login(env.store, UsEnglishFormatSettings(), &env.boxes);
    CreateWithDialog(env, login, "alice", "first", "one");
    QFile::remove(QString::fromStdString(NewProfilePath("alice").string()));
    env.boxes.answer = false;
    CreateWithDialog(env, login, "ALICE", "second", "two");
    QCOMPARE(env.boxes.asked.size(), 1);
    QVERIFY(!QFile::exists(QString::fromStdString(NewProfilePath("ALICE").string())));
    env.boxes.answer = true;
    CreateWithDialog(env, login, "alice", "second", "two");
    QCOMPARE(env.boxes.asked.size(), 2);
    QCOMPARE(Names(login), QStringList{"alice"});
    TryLogin(login, "alice", "second");
    QCOMPARE(login.result(), int(QDialog::Accepted));
  }

  void enterLogsInOnlyWhenOkIsEnabledEscapeCancels() {
    Env env;
    CreateProfile(env.store, "alice", "secret", "");
    LoginDialog login(env.store, UsEnglishFormatSettings(), &env.boxes);
    login.show();
    auto* password = login.findChild<QLineEdit*>("ePassword");
    password->setText("se");
    QTest::keyClick(password, Qt::Key_Return);
    QVERIFY(login.isVisible());
    QCOMPARE(env.boxes.shown.size(), size_t(0));
    password->setText("secret");
    QTest::keyClick(password, Qt::Key_Return);
    QCOMPARE(login.result(), int(QDialog::Accepted));

    LoginDialog other(env.store, UsEnglishFormatSettings(), &env.boxes);
    other.show();
    QTest::keyClick(other.findChild<QLineEdit*>("ePassword"), Qt::Key_Escape);
    QVERIFY(!other.isVisible());
    QCOMPARE(other.result(), int(QDialog::Rejected));
    QCOMPARE(other.ProfileText(), std::string());
  }

  void cancelledNewProfileChangesNothing() {
    Env env;
    LoginDialog login(env.store, UsEnglishFormatSettings(), &env.boxes);
    login.findChild<QLineEdit*>("ePassword")->setText("abc");
    login.runNewUser = [](NewProfileDialog&) { return false; };
    QTest::mouseClick(login.findChild<QPushButton*>("bNewProfile"), Qt::LeftButton);
    QCOMPARE(Names(login), QStringList());
    QCOMPARE(login.findChild<QLineEdit*>("ePassword")->text(), QString());
  }
};

NUMMORA_QTEST_MAIN(TestLoginDialog)
#include "test_login_dialog.moc"
