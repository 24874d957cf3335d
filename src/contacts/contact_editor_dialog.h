#pragma once
// ContactEditorDialog: the contact editor. Five free texts (name, e-gold number, Liberty Reserve number,
// e-mail, comment); OK refuses only texts the profile cannot hold ("<" or ">").
#include <QDialog>

#include "profile/model.h"

class QLineEdit;
class QPushButton;

namespace nummora {

class MessageBoxes;

class ContactEditorDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ContactEditorDialog(MessageBoxes* boxes = nullptr, QWidget* parent = nullptr);

  // Fills the fields from a contact (Edit, or a payee offered for the address book).
  void Fill(const ContactRecord& contact);
  // The contact as typed.
  ContactRecord Contact() const;

 private:
  void OnOkClicked();
  void eLRAccountEdited(const QString& text);

  MessageBoxes* boxes_;
  QLineEdit* eName_;
  QLineEdit* eAccount_;
  QLineEdit* eLRAccount_;
  QLineEdit* eMail_;
  QLineEdit* eComment_;
  QPushButton* bOk_;
  QPushButton* bCancel_;
};

}  // namespace nummora
