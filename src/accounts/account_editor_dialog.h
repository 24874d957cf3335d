#pragma once
// The account editor: adds an account of either payment system or changes an existing one.
#include <QDialog>
#include <functional>
#include <string>

#include "profile/model.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QUrl;

namespace nummora {

class MessageBoxes;

class AccountEditorDialog : public QDialog {
  Q_OBJECT
 public:
  // `accountExists` is the main window's AccountExists; `egoldSignupId` the "egold" value of the
  // last directory document (empty when none was downloaded).
  AccountEditorDialog(bool isNew, std::function<bool(const std::string&)> accountExists,
                      MessageBoxes* boxes = nullptr, QWidget* parent = nullptr);

  // Fills the page of the account's type from an existing entry (Account info).
  void Fill(const AccountRecord& account);
  // The chosen type (the type list's position).
  AccountType SelectedType() const;
  // Writes the page's fields into an entry: Name, ID, Password (and APIname for Liberty
  // Reserve), Update and Refresh.
  void ApplyTo(AccountRecord& account) const;

  bool New() const { return new_; }

  // Where the sign-up buttons lead; the program opens them in the browser.
  std::string egoldSignupId;
  std::string egoldSecureBase;
  std::string vendorBase;
  std::function<void(const QUrl&)> openUrl;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* BuildEgoldPage();
  QWidget* BuildLibertyReservePage();
  void BuildLayout();
  void ResetForShow();
  void OnAccountTypeChanged();
  void OnEveryToggled();
  void OnOkClicked();
  void OpenEgoldSignup();
  void OpenLibertySignup();

  bool new_;
  std::function<bool(const std::string&)> accountExists_;
  MessageBoxes* boxes_;
  QComboBox* cAccountType_;
  QStackedWidget* pages_;
  QLineEdit* eName_;
  QLineEdit* eID_;
  QLineEdit* ePass_;
  QLineEdit* eLRID_;
  QLineEdit* eLRPass_;
  QLineEdit* eLRName_;
  QLineEdit* eLRAPI_;
  QCheckBox* eStartup_;
  QCheckBox* eEvery_;
  QLineEdit* eMin_;
  QWidget* p2_;
  QPushButton* bOk_;
};

}  // namespace nummora
