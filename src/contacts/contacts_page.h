#pragma once
// The "Contacts" page of the main window: a toolbar with the contact commands and the list
// "Contacts" with one row a contact. The list shows the profile's contacts; the main window
// keeps the two in step through the operations below.
#include <QWidget>
#include <vector>

#include "profile/model.h"

class QAction;
class QTreeWidget;

namespace nummora {

class ContactsPage : public QWidget {
  Q_OBJECT
 public:
  // The main window's contact commands and its general "&Spend..." (for the context menu). The
  // page adds "Spend &To" (`SpendTo`), its own command.
  ContactsPage(QAction* newContact, QAction* editContact, QAction* deleteContact, QAction* spend,
               QWidget* parent = nullptr);

  QTreeWidget* List() const { return list_; }
  QAction* SpendTo() const { return spendTo_; }

  // Shows the contacts anew, in their order.
  void ShowContacts(const std::vector<ContactRecord>& contacts);
  // Rewrites the row at `index`, appends one, or removes one.
  void ShowContact(int index, const ContactRecord& contact);
  void AppendContact(const ContactRecord& contact);
  void RemoveContact(int index);
  // The selected row, -1 for none.
  int SelectedIndex() const;
  void Select(int index);

 signals:
  void SelectionChanged();
  // A row was double-clicked.
  void ContactActivated(int index);

 private:
  QTreeWidget* list_;
  QAction* spendTo_;
};

}  // namespace nummora
