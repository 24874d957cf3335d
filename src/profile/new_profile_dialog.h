#pragma once
// The new profile dialog: user name, password with confirmation and a password hint.
#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace nummora {

class TfNewUser : public QDialog {
  Q_OBJECT
 public:
  explicit TfNewUser(QWidget* parent = nullptr);

  // ISO-8859-1 texts of the fields.
  std::string UserName() const;
  std::string Password() const;
  std::string Hint() const;
  // Empties the password fields (they hold a secret).
  void ClearPasswords();

 private:
  void CheckOk();

  QLineEdit* eUserName_;
  QLineEdit* ePassword_;
  QLineEdit* eConfirm_;
  QLineEdit* eHint_;
  QPushButton* bOK_;
};

}  // namespace nummora
