#pragma once
// The preferences dialog (PreferencesDialog): created once after login, it loads and applies the
// profile's settings (proxy, display currency, stay on top, global hotkeys) and stays alive for
// the whole run, so that its controls hold the current settings. Shown modally from
// "&Preferences..." and, at its "Connection" page, from the proxy indicator. "&OK" saves, loads
// and applies and closes; Enter saves, loads and applies and stays open; "&Cancel", Esc and the
// close box drop unsaved edits by loading the stored settings again.
#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/notify_kind.h"
#include "net/request_worker.h"
#include "preferences/preference_values.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace nummora {

class MessageBoxes;
class SettingsStore;
class BalloonTip;
class HotkeyEdit;
class HotkeyManager;
class WorkerHost;

// What the dialog needs from the main window; unset hooks do nothing.
struct PreferencesHooks {
  // The account labels in account-table order (a deleted entry gives an empty label).
  std::function<std::vector<std::string>()> accountLabels;
  // The profile password in use.
  std::function<std::string()> profilePassword;
  // Makes the password the profile's and writes the profile under it at once: the error, or
  // nothing when it is written.
  std::function<std::optional<std::string>(const std::string& newPassword)> changePassword;
  // Whether the profile file is written with strong encryption (Argon2id, XChaCha20-Poly1305).
  std::function<bool()> strongProtection;
  // Writes the profile at once with strong encryption, or with false in the old 40-bit format:
  // the error, or nothing when it is written.
  std::function<std::optional<std::string>(bool strong)> setStrongProtection;
  // Writes the profile to `to` and then removes the file at `from`: the error, or nothing.
  std::function<std::optional<std::string>(const std::string& from, const std::string& to)> moveDataFile;
  std::function<void(bool onTop)> applyOnTop;
  // The proxy in use and its indicator.
  std::function<void(const ProxySettings& proxy)> applyProxy;
  // The display currency ("USD", "EUR"): titles the rates' amount column and, when it changed,
  // values every account in it again.
  std::function<void(const std::string& currency)> applyDisplayCurrency;
  // A load and apply ended with everything applied.
  std::function<void()> applied;
  std::function<void(NotifyKind kind, const std::string& title, bool asDialog, const std::string& text)>
      notify;
  // The proxy list download runs through this host (nullptr: the button reports it cannot).
  WorkerHost* workerHost = nullptr;
  // The program's full path, for the autostart entry.
  std::string executablePath;
};

// The data file path as it is stored: absolute and without "." or ".." parts. A relative path
// is taken in the folder of `current` (the data file in use) when that is absolute.
std::string AbsoluteDataFile(const std::string& path, const std::string& current);

class PreferencesDialog : public QDialog {
  Q_OBJECT
 public:
  enum Page { kGeneralPage = 0, kConnectionPage = 1, kSecurityPage = 2 };

  // Loads and applies the stored settings at once. `hotkeys` registers the global hotkeys.
  PreferencesDialog(SettingsStore& store, std::string profileName, HotkeyManager& hotkeys,
                    PreferencesHooks hooks, MessageBoxes* boxes = nullptr, QWidget* parent = nullptr);
  ~PreferencesDialog() override;

  // Shows the dialog modally at a page.
  int ExecAt(Page page);

  // Load and apply, in the stored order; a value that cannot be read stops it, and the settings
  // the dialog then shows are saved at once (a new profile gets every default this way).
  void LoadAndApply();
  // Saves the dialog's settings. With `check`, values that cannot work are refused with a
  // message first (false). False also when the data file could not be moved.
  bool Save(bool check);

  // The current settings, as the controls hold them.
  ProfileSettings Values() const;
  const std::string& DisplayCurrency() const { return displayCurrency_; }
  int DefaultAccount() const { return defaultAccount_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildGeneralPage();
  QWidget* BuildConnectionPage();
  QWidget* BuildSecurityPage();
  void ShowValues(const ProfileSettings& values);
  void EnableProxyFields();
  void FillDefAccount();
  void SaveAndApply();
  void OkClick();
  void DataFileClick();
  // Whether the profile may be written over `target`: a file that exists (and is not the
  // profile's own) is replaced only when the user says so, or has said so in the file dialog.
  bool ReplaceAllowed(const std::string& target, const std::string& current);
  // Shows the stored settings without applying them.
  void ShowStored();
  void ClearPasswordFields();
  void ChangePasswordClick();
  void StrongClick(bool strong);
  void DownloadClick();
  void ProxyListDoubleClick();
  // Registers one hotkey; a refusal is told with "Hotkey error".
  void RegisterHotkey(int value);
  MessageBoxes& Boxes() const;
  void Notify(NotifyKind kind, const std::string& title, const std::string& text);

  SettingsStore& store_;
  std::string profileName_;
  HotkeyManager& hotkeys_;
  PreferencesHooks hooks_;
  MessageBoxes* boxes_;
  std::string displayCurrency_ = "USD";
  int defaultAccount_ = 0;
  RequestWorkerPtr proxyWorker_;
  std::string replaceConfirmed_;  // the data file the file dialog asked about

  QTabWidget* pages_ = nullptr;
  QCheckBox* chkAutorun_ = nullptr;
  QComboBox* valute_ = nullptr;
  QComboBox* defAccount_ = nullptr;
  QCheckBox* chkTop_ = nullptr;
  HotkeyEdit* hotBalance_ = nullptr;
  HotkeyEdit* hotSpend_ = nullptr;
  QCheckBox* useProxy_ = nullptr;
  QLineEdit* proxyHost_ = nullptr;
  QLineEdit* proxyPort_ = nullptr;
  QLineEdit* proxyUser_ = nullptr;
  QLineEdit* proxyPasswd_ = nullptr;
  QListWidget* proxyList_ = nullptr;
  QPushButton* bDownload_ = nullptr;
  BalloonTip* balloon_ = nullptr;
  QLineEdit* eDataFile_ = nullptr;
  QCheckBox* chkSave_ = nullptr;
  QCheckBox* chkStrong_ = nullptr;
  QLineEdit* eOldPassword_ = nullptr;
  QLineEdit* eNewPassword_ = nullptr;
  QLineEdit* eRetypePassword_ = nullptr;
};

}  // namespace nummora
