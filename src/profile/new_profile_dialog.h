#pragma once
// The new profile dialog: user name, password with confirmation and a password hint.
#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace nummora {

class MessageBoxes;

class NewProfileDialog : public QDialog {
  Q_OBJECT
 public:
  // `boxes` shows the refusals (the program's boxes when null).
  explicit NewProfileDialog(QWidget* parent = nullptr, MessageBoxes* boxes = nullptr);

  // ISO-8859-1 texts of the fields.
  std::string UserName() const;
  std::string Password() const;
  std::string Hint() const;
  // Empties the password fields (they hold a secret).
  void ClearPasswords();

 protected:
  // OK closes the dialog only when both password fields hold only ISO-8859-1 characters.
  void accept() override;

 private:
  void CheckOk();

  MessageBoxes* boxes_;
  QLineEdit* eUserName_;
  QLineEdit* ePassword_;
  QLineEdit* eConfirm_;
  QLineEdit* eHint_;
  QPushButton* bOK_;
};

}  // namespace nummora
