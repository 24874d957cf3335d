#pragma once
// The import dialog (ImportDialog, "Import accounts"): reads a settings file and adds the ticked
// e-gold accounts, the address book and the preferences to the current profile. Imported
// accounts are refreshed at once; the preferences take effect at the next load of the
// preferences. Imported text is checked as the editors check typed text; an entry they would
// refuse is left out, and the box that ends the import counts what was imported and names each
// entry left out with its reason. Preferences that turn on a proxy are written only after the
// user has agreed to that proxy. An import that must stop (a bad refresh interval, a full
// account table) says why; what was imported before stays.
#include <QDialog>
#include <functional>
#include <string>

#include "common/ini_file.h"
#include "preferences/settings_transfer.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace nummora {

class MessageBoxes;
class SettingsStore;

class ImportDialog : public QDialog {
  Q_OBJECT
 public:
  // `addContact` appends a contact to the address book (false when it is full).
  ImportDialog(AccountImporter& importer, std::function<bool(const ContactRecord&)> addContact,
               SettingsStore& store, std::string profileName, MessageBoxes* boxes = nullptr,
               QWidget* parent = nullptr);

  // Takes a file as the browse button does; false (after an error box) when it cannot be read.
  bool ChooseFile(const QString& path);
  // Imports what is ticked; false when the import stopped.
  bool Import();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BrowseClick();
  // Writes the file's preferences into the profile key, after their checks and, when they turn
  // on a proxy, the user's consent; what happened goes into the report. False (after an error
  // box) when the store could not be written.
  bool ImportSettings(ImportReport& report);

  AccountImporter& importer_;
  std::function<bool(const ContactRecord&)> addContact_;
  SettingsStore& store_;
  std::string profileName_;
  MessageBoxes* boxes_;
  IniFile file_;
  SettingsFileContent content_;
  QLineEdit* iFile_ = nullptr;
  QListWidget* chkAccounts_ = nullptr;
  QCheckBox* chkSettings_ = nullptr;
  QCheckBox* chkAddress_ = nullptr;
  QLineEdit* eComment_ = nullptr;
  QPushButton* bOk_ = nullptr;
};

}  // namespace nummora
