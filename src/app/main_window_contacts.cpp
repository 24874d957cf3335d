// The address book of the main window: the "Contacts" page, the contact commands (new, edit,
// delete, "Spend To") and the add-contact operation the payment dialog and the history use.
#include <QAction>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/main_window.h"
#include "contacts/address_book.h"
#include "contacts/contact_editor_dialog.h"
#include "contacts/contacts_page.h"
#include "ui/latin1.h"
#include "ui/message_box.h"

namespace nummora {

void MainWindow::BuildContactsPage() {
  auto* tab = pages_->findChild<QWidget*>(QStringLiteral("tsContacts"));
  contactsPage_ = new ContactsPage(actions_.newContact, actions_.editContact, actions_.deleteContact,
                                   actions_.spend, tab);
  auto* layout = new QVBoxLayout(tab);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(contactsPage_);

  connect(actions_.newContact, &QAction::triggered, this, &MainWindow::OnNewContact);
  connect(actions_.editContact, &QAction::triggered, this, &MainWindow::OnEditContact);
  connect(actions_.deleteContact, &QAction::triggered, this, &MainWindow::OnDeleteContact);
  connect(contactsPage_->SpendTo(), &QAction::triggered, this, &MainWindow::OnSpendTo);
  connect(contactsPage_, &ContactsPage::SelectionChanged, this, &MainWindow::UpdateContactActions);
  // Contacts that arrive another way (an import) show at once.
  connect(this, &MainWindow::ContactsChanged, this, &MainWindow::ShowContacts);
  connect(contactsPage_, &ContactsPage::ContactActivated, this, [this](int index) {
    const auto& contacts = model_.Contacts();
    if (index < 0 || index >= static_cast<int>(contacts.size())) return;
    OpenPaymentLink("nmr://payto=" + contacts[index].EgoldID);
  });
  UpdateContactActions();
}

void MainWindow::ShowContacts() {
  contactsPage_->ShowContacts(model_.Contacts());
  UpdateContactActions();
}

void MainWindow::UpdateContactActions() {
  if (!contactsPage_) return;
  const bool selected = contactsPage_->SelectedIndex() >= 0;
  const bool showing = pages_->currentWidget() == contactsPage_->parentWidget();
  actions_.newContact->setEnabled(true);
  actions_.editContact->setEnabled(selected && showing);
  actions_.deleteContact->setEnabled(selected && showing);
  contactsPage_->SpendTo()->setEnabled(selected);
}

bool MainWindow::AddContact(const ContactRecord& contact) {
  if (!model_.AddContact(contact)) {
    Boxes().Error(this, FromLatin1(ContactLimitMessage()));
    return false;
  }
  contactsPage_->AppendContact(contact);
  UpdateContactActions();
  return true;
}

void MainWindow::OfferContact(QWidget* owner, const ContactRecord& contact) {
  // A full address book is said before anything is typed.
  if (!model_.CanAddContact()) {
    Boxes().Error(owner, FromLatin1(ContactLimitMessage()));
    return;
  }
  ContactEditorDialog editor(boxes_, owner);
  if (session_.Settings().onTop) editor.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  editor.Fill(contact);
  if (editor.exec() != QDialog::Accepted) return;
  AddContact(editor.Contact());
}

void MainWindow::OnNewContact() {
  if (!model_.CanAddContact()) {
    Boxes().Error(this, FromLatin1(ContactLimitMessage()));
    return;
  }
  ContactEditorDialog editor(boxes_, this);
  if (session_.Settings().onTop) editor.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  if (editor.exec() != QDialog::Accepted) return;
  pages_->setCurrentWidget(contactsPage_->parentWidget());
  AddContact(editor.Contact());
}

void MainWindow::OnEditContact() {
  const int index = contactsPage_->SelectedIndex();
  if (index < 0 || index >= static_cast<int>(model_.Contacts().size())) return;
  ContactEditorDialog editor(boxes_, this);
  if (session_.Settings().onTop) editor.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  editor.Fill(model_.Contacts()[index]);
  if (editor.exec() != QDialog::Accepted) return;
  // The address book may have changed while the editor was open (an import).
  if (index >= static_cast<int>(model_.Contacts().size())) return;
  model_.Contacts()[index] = editor.Contact();
  contactsPage_->ShowContact(index, model_.Contacts()[index]);
}

void MainWindow::OnDeleteContact() {
  const int index = contactsPage_->SelectedIndex();
  if (index < 0 || index >= static_cast<int>(model_.Contacts().size())) return;
  const QString question = QStringLiteral("Do you want to delete contact \"") +
                           FromLatin1(model_.Contacts()[index].EgoldID) + QStringLiteral("\"?");
  if (!Boxes().Ask(this, question)) return;
  model_.Contacts().erase(model_.Contacts().begin() + index);
  contactsPage_->RemoveContact(index);
  UpdateContactActions();
}

void MainWindow::OnSpendTo() {
  const int index = contactsPage_->SelectedIndex();
  if (index < 0 || index >= static_cast<int>(model_.Contacts().size())) return;
  // The number of the payment system of the account selected in the accounts list.
  const int position = AccountOfRow(-1);
  const std::optional<AccountType> type =
      model_.IsValidPosition(position) ? std::optional(model_.Account(position).Type) : std::nullopt;
  OpenPaymentLink(SpendToLink(model_.Contacts()[index], type));
}

}  // namespace nummora
