#pragma once
// RecipientDialog: picks a payee from the address book for one payment system. The grid lists
// name and number of every contact that has a number for that system, below a fixed first row.
#include <QDialog>
#include <string>
#include <vector>

#include "profile/model.h"

class QPushButton;
class QTableWidget;

namespace nummora {

class RecipientDialog : public QDialog {
  Q_OBJECT
 public:
  // `type`: 0 e-gold numbers, 1 Liberty Reserve numbers.
  RecipientDialog(const std::vector<ContactRecord>& contacts, AccountType type, QWidget* parent = nullptr);

  // Whether the user confirmed ("&Continue", a double-click or Enter), and the number of the
  // row the user selected (empty when none was).
  bool Accepted() const { return accepted_; }
  const std::string& Pick() const { return pick_; }

 private:
  void ResetForShow(const std::vector<ContactRecord>& contacts, AccountType type);
  void GridSelect(int row);
  void Confirm();

  QTableWidget* grid_;
  QPushButton* bContinue_;
  bool accepted_ = false;
  std::string pick_;
};

}  // namespace nummora
