#pragma once
// The export dialog (TfExport, "Export accounts"): writes the ticked accounts, the preferences
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

class TfExport : public QDialog {
  Q_OBJECT
 public:
  // `accounts`: the account table in order (deleted entries have an empty ID); `preferences`:
  // the current preferences; `dateText`: the export's date-time text.
  TfExport(std::vector<TAccount> accounts, TExportedPreferences preferences, std::vector<TContact> contacts,
           std::function<std::string()> dateText, MessageBoxes* boxes = nullptr, QWidget* parent = nullptr);
  ~TfExport() override;

  // Writes the file; false (after the error box) when it could not be written.
  bool Export();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void UpdateOk();
  void BrowseClick();

  std::vector<TAccount> accounts_;
  TExportedPreferences preferences_;
  std::vector<TContact> contacts_;
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
