#pragma once
// PaymentDetailsDialog: one payment of the last-operations list, field by field, read-only, so that the
// values can be selected and copied. Its "E-mail details" button is bound to the main window's
// command of that name and follows its enabled state.
#include <QDialog>
#include <string>

class QAction;
class QLineEdit;
class QPushButton;

namespace nummora {

// What the dialog shows.
struct DetailsFields {
  bool made = false;  // a payment the user made; otherwise one received
  std::string batch;
  std::string date;
  std::string account;
  std::string amount;
  std::string memo;
  std::string merchant;
};

class PaymentDetailsDialog : public QDialog {
  Q_OBJECT
 public:
  PaymentDetailsDialog(const DetailsFields& fields, QAction* emailDetails, QWidget* parent = nullptr);

 private:
  QLineEdit* AddField(const char* name, const char* label, const std::string& text);
};

}  // namespace nummora
