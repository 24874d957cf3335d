#pragma once
// The login dialog: which profile to open and its password; from here a new profile can be
// created. On success the login results are set and the settings store is left open at the
// profile's key.
#include <QDialog>
#include <functional>
#include <string>

#include "common/format_settings.h"
#include "profile/profile_key.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace nummora {

class MessageBoxes;
class SettingsStore;
class BalloonTip;
class NewProfileDialog;

class LoginDialog : public QDialog {
  Q_OBJECT
 public:
  LoginDialog(SettingsStore& store, const FormatSettings& regional, MessageBoxes* boxes = nullptr,
              QWidget* parent = nullptr);
  ~LoginDialog() override;

  // Login results (valid after the dialog closed with success).
  const std::string& ProfileName() const { return profileName_; }
  const std::string& ProfilePassword() const { return profileKey_.Password(); }
  const std::string& ProfileText() const { return profileText_; }
  // Hands the secret results over, leaving nothing behind in the dialog.
  ProfileKey TakeProfileKey() { return std::move(profileKey_); }
  std::string TakeProfileText() { return std::move(profileText_); }

  BalloonTip* Balloon() const { return balloon_; }

  // Whether Caps Lock is on; tests set their own.
  std::function<bool()> capsLockOn;
  // Runs the new profile dialog modally; true for OK. Tests fill and confirm it instead.
  std::function<bool(NewProfileDialog&)> runNewUser;

  // Fills the profile list from the settings store (selection from "LastUser").
  void FillList();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool iconScheduled_ = false;
  void CheckOk();
  void OnOkClicked();
  void OnNewProfileClicked();
  void Refuse(const QString& message);

  SettingsStore& store_;
  FormatSettings regional_;
  MessageBoxes* boxes_;
  QListWidget* cProfiles_;
  QLineEdit* ePassword_;
  QPushButton* bOK_;
  BalloonTip* balloon_;
  std::string profileName_;
  ProfileKey profileKey_;
  std::string profileText_;
};

// Shows the login dialog modally; true when a profile was opened (the results are then set:
// `profileKey` holds the password and what the file is written with).
bool RunLogin(SettingsStore& store, const FormatSettings& regional, std::string& profileName,
              ProfileKey& profileKey, std::string& profileText);

}  // namespace nummora
