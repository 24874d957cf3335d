// The address book driven as a user does, by object name: a contact added (a "<" refused, the
// Liberty Reserve number in capitals), edited, deleted after the question, paid with "Spend To"
// and a double-click, picked in the recipient picker and offered from a payment; the contacts
// are saved with the profile; a 129th contact is refused with a message naming the limit.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <memory>

#include "contacts/contact_editor_dialog.h"
#include "contacts/recipient_dialog.h"
#include "support/main_window_fixture.h"
#include "support/qt_test_main.h"

using namespace nummora;
using nummora::test::MainWindowFixture;

namespace {

// Runs `work` on the dialog of type D once it shows modally.
template <typename D>
void WhenOpens(std::function<void(D&)> work) {
  QTimer::singleShot(0, [work] {
    auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
    QVERIFY2(dialog, "the expected dialog did not open");
    work(*dialog);
  });
}

void Set(QWidget& d, const char* name, const QString& text) {
  auto* field = d.findChild<QLineEdit*>(name);
  QVERIFY2(field, name);
  field->setText(text);
}
QString Text(QWidget& d, const char* name) {
  return d.findChild<QLineEdit*>(name)->text();
}
void Click(QWidget& d, const char* name) {
  QTest::mouseClick(d.findChild<QPushButton*>(name), Qt::LeftButton);
}
QAction* Action(MainWindow& w, const char* name) {
  return w.findChild<QAction*>(name);
}
QTreeWidget* ContactsList(MainWindow& w) {
  return w.findChild<QTreeWidget*>("Contacts");
}
void ShowTab(MainWindow& w, const char* name) {
  auto* pages = w.findChild<QTabWidget*>("PageControl");
  pages->setCurrentWidget(pages->findChild<QWidget*>(name));
}
QStringList Row(QTreeWidget* list, int row) {
  QStringList texts;
  for (int c = 0; c < 5; ++c) texts << list->topLevelItem(row)->text(c);
  return texts;
}

}  // namespace

class TestAddressBook : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindowFixture> f_;
  test::RecordingWindowServices services_;
  std::vector<PaymentLinkFields>& opened_ = services_.opened;
  std::unique_ptr<MainWindow> w_;

  void OpenWindow(const std::string& text) {
    w_ = f_->Open(text);
    w_->AttachServices(services_);
    w_->show();
  }

 private slots:
  void init() {
    f_ = std::make_unique<MainWindowFixture>();
    opened_.clear();
  }
  void cleanup() {
    w_.reset();
    f_.reset();
  }

  void addEditDeleteAndPay() {
    OpenWindow(
        f_->WriteProfile({test::MakeAccount(0, "Gold", "1001001"), test::MakeAccount(1, "Res", "U1000001")}));
    ShowTab(*w_, "tsContacts");
    QTreeWidget* list = ContactsList(*w_);

    // New: a "<" is refused and the editor stays open; typed LR numbers become capitals.
    WhenOpens<ContactEditorDialog>([this](ContactEditorDialog& d) {
      QCOMPARE(d.windowTitle(), QStringLiteral("Contact"));
      Set(d, "eName", "Bob Metals");
      Set(d, "eAccount", "1001002");
      QTest::keyClicks(d.findChild<QLineEdit*>("eLRAccount"), "u1000002");
      QCOMPARE(Text(d, "eLRAccount"), QStringLiteral("U1000002"));
      Set(d, "eComment", "<b>friend</b>");
      Click(d, "bOk");
      QVERIFY(d.isVisible());
      QCOMPARE(f_->boxes.LastText(),
               QStringLiteral("The field \"Comment\" must not contain \"<\" or \">\"."));
      Set(d, "eComment", "friend");
      QTest::keyClick(&d, Qt::Key_Return);  // Enter confirms
    });
    ShowTab(*w_, "tsAccounts");
    Action(*w_, "NewContact")->trigger();
    QCOMPARE(w_->findChild<QTabWidget*>("PageControl")->currentWidget()->objectName(),
             QStringLiteral("tsContacts"));
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(Row(list, 0), (QStringList{"Bob Metals", "1001002", "U1000002", "", "friend"}));

    // Edit and Delete need a selected contact and the Contacts tab; Spend To only the contact.
    QVERIFY(!Action(*w_, "EditContact")->isEnabled());
    QVERIFY(!Action(*w_, "SpendTo")->isEnabled());
    list->setCurrentItem(list->topLevelItem(0));
    QVERIFY(Action(*w_, "EditContact")->isEnabled());
    QVERIFY(Action(*w_, "DeleteContact")->isEnabled());
    ShowTab(*w_, "tsAccounts");
    QVERIFY(!Action(*w_, "EditContact")->isEnabled());
    QVERIFY(!Action(*w_, "DeleteContact")->isEnabled());
    QVERIFY(Action(*w_, "SpendTo")->isEnabled());
    ShowTab(*w_, "tsContacts");

    // Edit: the editor shows the contact; Cancel changes nothing, OK writes the row back.
    WhenOpens<ContactEditorDialog>([](ContactEditorDialog& d) {
      QCOMPARE(Text(d, "eLRAccount"), QStringLiteral("U1000002"));
      Set(d, "eMail", "changed@x.org");
      QTest::keyClick(&d, Qt::Key_Escape);
    });
    Action(*w_, "EditContact")->trigger();
    QCOMPARE(Row(list, 0)[3], QString());
    WhenOpens<ContactEditorDialog>([](ContactEditorDialog& d) {
      QCOMPARE(Text(d, "eName"), QStringLiteral("Bob Metals"));
      Set(d, "eMail", "bob@x.org");
      Click(d, "bOk");
    });
    Action(*w_, "EditContact")->trigger();
    QCOMPARE(Row(list, 0), (QStringList{"Bob Metals", "1001002", "U1000002", "bob@x.org", "friend"}));

    // Spend To pays the number of the selected account's system; a double-click the e-gold one.
    test::SelectRow(*w_, 1);
    Action(*w_, "SpendTo")->trigger();
    test::SelectRow(*w_, 0);
    Action(*w_, "SpendTo")->trigger();
    const QPoint at = list->visualItemRect(list->topLevelItem(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(opened_.size(), size_t(3));
    QCOMPARE(opened_[0].payto, std::string("U1000002"));
    QVERIFY(opened_[0].paytoIsLibertyReserve);
    QCOMPARE(opened_[1].payto, std::string("1001002"));
    QVERIFY(!opened_[1].paytoIsLibertyReserve);
    QCOMPARE(opened_[2].payto, std::string("1001002"));

    // A contact without an e-gold number: the question has nothing between its quotes; No keeps it.
    ContactRecord carol;
    carol.Name = "Carol";
    carol.LRID = "U1000003";
    QVERIFY(w_->AddContact(carol));
    list->setCurrentItem(list->topLevelItem(1));
    f_->boxes.answer = false;
    Action(*w_, "DeleteContact")->trigger();
    QCOMPARE(f_->boxes.asked.back(), QStringLiteral("Do you want to delete contact \"\"?"));
    QCOMPARE(list->topLevelItemCount(), 2);
    f_->boxes.answer = true;
    Action(*w_, "DeleteContact")->trigger();
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(w_->Model().Contacts().size(), size_t(1));
    QVERIFY(!Action(*w_, "DeleteContact")->isEnabled());

    // The address book is saved with the profile.
    w_->close();
    const auto saved = ReadProfileDocument(DecipherFile(f_->dataFile, MainWindowFixture::kPassword),
                                           UsEnglishFormatSettings())
                           .contacts;
    QCOMPARE(saved.size(), size_t(1));
    QCOMPARE(saved[0].Email, std::string("bob@x.org"));
    QCOMPARE(saved[0].LRID, std::string("U1000002"));
  }

  void recipientPickerAndAddFromPayment() {
    OpenWindow(f_->WriteProfile({test::MakeAccount(0, "Gold", "1001001")}));
    for (const char* name : {"Ann", "Bob", "Cid"}) {
      ContactRecord c;
      c.Name = name;
      c.EgoldID = std::string("100100") + char(name[0] - 'A' + '1');
      if (name[0] == 'B') c.LRID = "U1000002";
      QVERIFY(w_->AddContact(c));
    }
    // Liberty Reserve: only Bob is listed, under the fixed first row; Enter after a click picks.
    WhenOpens<RecipientDialog>([](RecipientDialog& d) {
      QCOMPARE(d.windowTitle(), QStringLiteral("Recepient from address book"));
      auto* grid = d.findChild<QTableWidget*>("Grid");
      QCOMPARE(grid->rowCount(), 2);
      QCOMPARE(grid->item(1, 0)->text(), QStringLiteral("Bob"));
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                        grid->visualItemRect(grid->item(1, 1)).center());
      QTest::keyClick(&d, Qt::Key_Return);
    });
    QCOMPARE(w_->PaymentDialogServices().pickRecipient(w_.get(), AccountType::LibertyReserve),
             std::optional<std::string>("U1000002"));
    // e-gold: all three; Esc picks nothing even after a click.
    WhenOpens<RecipientDialog>([](RecipientDialog& d) {
      auto* grid = d.findChild<QTableWidget*>("Grid");
      QCOMPARE(grid->rowCount(), 4);
      QCOMPARE(grid->item(3, 1)->text(), QStringLiteral("1001003"));
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                        grid->visualItemRect(grid->item(3, 0)).center());
      QTest::keyClick(&d, Qt::Key_Escape);
    });
    QCOMPARE(w_->PaymentDialogServices().pickRecipient(w_.get(), AccountType::Egold), std::nullopt);
    // A double-click picks and confirms.
    WhenOpens<RecipientDialog>([](RecipientDialog& d) {
      auto* grid = d.findChild<QTableWidget*>("Grid");
      const QPoint at = grid->visualItemRect(grid->item(2, 0)).center();
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
      QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    });
    QCOMPARE(w_->PaymentDialogServices().pickRecipient(w_.get(), AccountType::Egold),
             std::optional<std::string>("1001002"));

    // A payee offered from a Liberty Reserve receipt: name and LR number filled, e-gold empty.
    WhenOpens<ContactEditorDialog>([](ContactEditorDialog& d) {
      QCOMPARE(Text(d, "eName"), QStringLiteral("Dave Reserve"));
      QCOMPARE(Text(d, "eLRAccount"), QStringLiteral("U1000001"));
      QCOMPARE(Text(d, "eAccount"), QString());
      Click(d, "bOk");
    });
    w_->PaymentDialogServices().addContact(w_.get(), "Dave Reserve", AccountType::LibertyReserve, "U1000001");
    QCOMPARE(ContactsList(*w_)->topLevelItemCount(), 4);
    QCOMPARE(w_->Model().Contacts().back().LRID, std::string("U1000001"));
  }

  void contact129Refused() {
    ProfileModel model;
    model.AppendAccount(test::MakeAccount(0, "Gold", "1001001"));
    for (int i = 0; i < ProfileModel::kMaxSavedContacts; ++i) {
      ContactRecord c;
      c.Name = "c" + std::to_string(i);
      model.AddContact(c);
    }
    const std::string text = BuildProfileDocument(model, true, UsEnglishFormatSettings());
    OpenWindow(text);
    QCOMPARE(ContactsList(*w_)->topLevelItemCount(), 128);
    const QString message = QStringLiteral(
        "The address book is full: it holds at most 128 contacts. Delete a contact before adding another.");
    // Refused before the editor opens, from the address book and from a payment.
    Action(*w_, "NewContact")->trigger();
    QCOMPARE(f_->boxes.LastText(), message);
    f_->boxes.shown.clear();
    w_->PaymentDialogServices().addContact(w_.get(), "Late", AccountType::Egold, "1001009");
    QCOMPARE(f_->boxes.LastText(), message);
    f_->boxes.shown.clear();
    QVERIFY(!w_->AddContact(ContactRecord{"Late", "1001009", "", "", ""}));
    QCOMPARE(f_->boxes.LastText(), message);
    QCOMPARE(w_->Model().Contacts().size(), size_t(128));
    QCOMPARE(ContactsList(*w_)->topLevelItemCount(), 128);
  }
};

NUMMORA_QTEST_MAIN(TestAddressBook)
#include "test_address_book.moc"
