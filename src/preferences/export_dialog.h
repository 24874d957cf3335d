#pragma once
// The export dialog (ExportDialog, "Export accounts"): writes the ticked accounts, the preferences
// and the address book into a settings file. Keys already in the file and not written now stay.
// The file is replaced atomically and is readable by its owner only, since it may hold the
// proxy password; a write that fails is reported and leaves the old file as it was.
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "preferences/settings_transfer.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace nummora {

class MessageBoxes;

class ExportDialog : public QDialog {
  Q_OBJECT
 public:
  // `accounts`: the account table in order (deleted entries have an empty ID); `preferences`:
  // the current preferences; `dateText`: the export's date-time text.
  ExportDialog(std::vector<AccountRecord> accounts, ExportedPreferences preferences,
               std::vector<ContactRecord> contacts, std::function<std::string()> dateText,
               MessageBoxes* boxes = nullptr, QWidget* parent = nullptr);
  ~ExportDialog() override;

  // Writes the file; false (after the error box) when it could not be written.
  bool Export();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void UpdateOk();
  void BrowseClick();

  std::vector<AccountRecord> accounts_;
  ExportedPreferences preferences_;
  std::vector<ContactRecord> contacts_;
  std::function<std::string()> dateText_;
  MessageBoxes* boxes_;
  QListWidget* chkAccounts_ = nullptr;
  QCheckBox* chkSettings_ = nullptr;
  QCheckBox* chkAddress_ = nullptr;
  QLineEdit* iFile_ = nullptr;
  QLineEdit* eComment_ = nullptr;
  QPushButton* bOk_ = nullptr;
};

// The file dialogs' filter for settings files.
extern const char* const kSettingsFileFilter;

}  // namespace nummora
