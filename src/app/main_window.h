#pragma once
// The main window: owns the profile model for the whole run and keeps the frame, the menus and
// commands and the status bar. Its parts do the rest: the profile session (load, save,
// password, data file), the accounts page, the refresh scheduler, the notifier (tray, notices,
// hotkeys), the instance links (second instances, payment links) and the pages of the tabs.
#include <QFont>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "app/main_actions.h"
#include "app/notify_text.h"
#include "app/profile_session.h"
#include "common/currency.h"
#include "common/datetime.h"
#include "common/format_settings.h"
#include "history/history_services.h"
#include "market/rates.h"
#include "net/balance_outcome.h"
#include "payments/payment_link.h"
#include "payments/payment_services.h"
#include "profile/model.h"
#include "profile/profile_key.h"
#include "profile/profile_settings.h"

class QLabel;
class QTabWidget;
class QTimer;
class QUrl;

namespace nummora {

class AccountsPage;
class BalloonNotifier;
class RefreshScheduler;
class MessageBoxes;
class SettingsStore;
class BalloonTip;
class ColumnFitter;
class EmailNoticeDialog;
class PreferencesDialog;
class ContactsPage;
class OperationsPage;
class RecentPaymentsFetch;
class WorkerHost;
class DirectoryTab;
class EventsWindow;
class HotkeyManager;
class InstanceLinks;
class MetalsPane;
class Notifier;
class WindowServices;
struct ServerConfig;

// What the start-up hands to the main window.
struct MainWindowSetup {
  SettingsStore* store = nullptr;  // the program's settings store (required)
  std::string profileName;         // login results
  ProfileKey profileKey;           // the password and the file's format
  std::string profileText;
  std::optional<std::string> commandLineLink;
  FormatSettings regional = UsEnglishFormatSettings();
  const Clock* clock = nullptr;              // nullptr: the system clock
  MessageBoxes* boxes = nullptr;             // nullptr: real message boxes
  BalloonNotifier* notifier = nullptr;       // nullptr: the tray (with its D-Bus fallback)
  QString instanceSocket;                    // where second instances find this window; empty: nowhere
  std::filesystem::path storeFile;           // the settings database; empty: the default one
  std::function<bool(const QUrl&)> openUrl;  // the web browser; empty: the desktop's
};

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(MainWindowSetup setup, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The profile model, to read (workers take their copies from it). Changes go through the
  // operations below, which also show them.
  const ProfileModel& Model() const { return model_; }
  const MainActions& Actions() const { return actions_; }
  EventsWindow* Events() const { return events_; }
  DirectoryTab* Directory() const { return directory_; }
  // The "egold" value of the directory document last shown, for the e-gold sign-up link.
  const std::string& DirectoryReferral() const;
  // Opens a web address in the user's browser; a browser that cannot be started is written to
  // the events list. Returns whether it started.
  bool OpenWebAddress(const QUrl& url);
  const FormatSettings& NumberFormat() const { return numberFormat_; }
  // Plugs in the network side (payment dialogs, history downloads, metal rates), which is
  // built after the window. Until then a payment or history command is noted in the events
  // list, e-gold is valued at nothing and no rates are asked for.
  void AttachServices(WindowServices& services) { services_ = &services; }
  // The address book, e-mail notice and last operations, as the payment dialogs use them.
  const PaymentServices& PaymentDialogServices() const { return paymentServices_; }

  // A background notice: a message box when the window shows and `asDialog` allows it, else a
  // tray balloon and the text in status panel 2.
  void Notify(NotifyKind kind, const std::string& title, bool asDialog, const std::string& text);
  // Creates the preferences dialog, which loads and applies the profile's settings and
  // registers the global hotkeys, and plugs it into "&Preferences..." and the proxy indicator.
  // `workerHost` runs its proxy list download; `executablePath` goes into the autostart entry.
  void CreatePreferences(WorkerHost* workerHost, const std::string& executablePath);
  PreferencesDialog* Preferences() const { return preferences_; }
  HotkeyManager* Hotkeys() const;

  // The desktop session ends: the profile is saved, nothing else. False (with `error` set, and
  // the error in the events list) when the save failed.
  bool SessionEnding(std::string* error = nullptr);
  // Says, in the events list and as a tray or desktop notice, that a profile in the legacy
  // format has only the old 40-bit protection and where to change it; nothing for a profile in
  // the strong format. The start-up calls it once per run, after the login.
  void NoteProfileProtection();

  // --- what the workers report about an entry of the account table (main thread); each is
  //     written into the model and the entry's row is shown again ---
  void KeepPassPhrase(int position, const std::string& passPhrase);
  void StoreBalances(int position, const AccountBalances& balances);
  void StoreStatus(int position, uint8_t status, std::optional<TDateTime> updated);
  // The balance refresh of the entry ended: its Refreshing mark goes.
  void EndRefresh(int position);
  // A fresh metal-rates answer and when it came.
  void StoreRates(const std::string& answer, TDateTime received);
  // The rates were read: the "Rate" cells take them, the details pane values the selected
  // account's metals at them from now on, and every row is rewritten. Rates that are prices in
  // another currency than the display currency show as empty cells and value nothing.
  void ShowRates(const RatesState& rates);

  // --- address book and last operations (main_window_contacts.cpp, main_window_operations.cpp) ---
  // Appends a contact to the address book; refused with a message naming the limit when it is
  // full. Returns whether it was added.
  bool AddContact(const ContactRecord& contact);
  // Adds a completed payment to the last operations.
  void RecordPayment(const PaymentRecord& record);
  // Fetches the payments received by the e-gold account at `position` into the last operations.
  void FetchRecentPayments(int position);
  // The workers' host the window's own requests (recent payments, e-mail notices) go through.
  void SetWorkerHost(WorkerHost* host);
  // History (main_window_history.cpp): opens the history download dialog for a copy of an
  // account, without waiting; its viewers write the newest batch and the end of the period
  // back into the account's table entry through StoreBatch.
  void OpenHistoryDownload(const AccountRecord& account, WorkerHost* host, const ServerConfig& servers);
  // What the download dialog and its viewers are given: the host, the servers, the address
  // book, the batch write-back and the viewer's layout in this profile.
  HistoryServices HistoryServicesFor(const AccountRecord& account, WorkerHost* host,
                                     const ServerConfig& servers);
  void StoreBatch(int position, const std::string& id, int32_t batch, TDateTime batchDate);

 signals:
  void BalanceRequested(int position);
  // A balance refresh of the entry started or ended.
  void RefreshStateChanged(int position);
  void PaymentLinkOpened(const nummora::PaymentLinkFields& fields);
  // The window was closed for good: the program ends.
  void Closed();
  // Contacts were added to the model behind the address book's back (an import).
  void ContactsChanged();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  friend struct MainWindowTestAccess;  // tests/support/main_window_access.h
  friend class WindowPaymentHost;      // main_window_payments.cpp

  // Widens the window by what its lists' columns need beyond their views, while the user has
  // not resized it, up to the screen's width.
  void GrowToFitColumns();
  // The width the status bar needs to show panel 0 whole for any row.
  int StatusNeededWidth() const;
  void BuildWindow();
  void BuildMenus();
  // Puts the directory tab into its page of the tab control.
  void BuildDirectoryTab(QWidget* page);
  void ConnectActions();
  void ConnectCommandUpdates();
  void OnNewAccount();
  void OnAccountInfo();
  void OnDeleteAccount();
  void OnMove(bool up);
  void OnCopyNumber();
  // The accounts list's selection changed to `row` (-1: none).
  void SelectionChanged(int row);
  void LogError(const std::string& message);
  void LogLine(const std::string& line);
  TDateTime Now() const;
  MessageBoxes& Boxes() const;

  void ShowTitle();
  void ShowActiveAccount(int row);
  // Hands a started refresh to the balance worker, or ends it at once when none is plugged in.
  void DispatchRefresh(int position);
  void OpenPaymentLink(const std::string& link);
  int AccountOfRow(int row) const { return model_.AccountOfRow(row); }
  int RowOfAccount(int position) const { return model_.RowOfAccount(position); }
  bool AccountExists(const std::string& id) const { return model_.AccountExists(id); }
  // Applies a change to the entry at `position` (nothing for a position outside the table) and,
  // when `rowShowsIt`, rewrites the entry's row.
  void ChangeAccount(int position, const std::function<void(AccountRecord&)>& change, bool rowShowsIt);
  // Loads the login's document into the model and the list; false when it could not be read
  // (the message then goes to the events list, and the profile is never written by this window).
  bool LoadProfile();
  // Sets the enabled state of every command from the model, the selection and the current tab.
  void UpdateActions();
  // A global hotkey with its shortcut value was pressed.
  void HotkeyPressed(int shortcutValue);
  // Draws the proxy indicator of the status bar for the proxy settings (coloured when the
  // proxy is used, greyed otherwise) and copies them into the model.
  void ShowProxyIndicator(const ProxySettings& proxy);
  void ShowPreferences();
  void ShowConnectionPreferences();
  void RequestRates();

  // --- preferences, settings transfer and layout (main_window_preferences.cpp) ---
  void ApplyOnTop(bool onTop);
  void ApplyDisplayCurrency(const std::string& currency);
  void OnImport();
  void OnExport();
  void ConnectTransfer();
  void RestoreLayout();
  void SaveLayout();
  PreferencesDialog* preferences_ = nullptr;
  // Address book (main_window_contacts.cpp).
  void BuildContactsPage();
  void ShowContacts();
  void UpdateContactActions();
  void OnNewContact();
  void OnEditContact();
  void OnDeleteContact();
  void OnSpendTo();
  // Opens the contact editor over `owner` filled with `contact`; adds the contact on OK.
  void OfferContact(QWidget* owner, const ContactRecord& contact);
  // Last operations (main_window_operations.cpp).
  void BuildOperationsPage();
  void InstallPaymentServices();
  void OnViewDetails();
  void OnEmailDetails();
  // Opens the e-mail notice for a payment over `owner`; modally when `modal`.
  // Opens the notice over `owner`; a modeless one is returned (a modal one is gone by then).
  EmailNoticeDialog* OpenEmailNotice(QWidget* owner, const PaymentNotice& notice, bool modal);

  SettingsStore* store_;
  std::string profileName_;
  std::optional<std::string> commandLineLink_;
  FormatSettings regional_;
  FormatSettings numberFormat_;
  const Clock* clock_;
  MessageBoxes* boxes_;
  ProfileModel model_;
  ProfileSession session_;  // the profile's key, file and shell settings; writes into model_

  MainActions actions_;
  QTabWidget* pages_ = nullptr;
  AccountsPage* accountsPage_ = nullptr;
  int autoWidth_ = 0;  // the width the window last gave itself
  // Panel 0's width for each row caption in captionFont_, measured once per caption: the window
  // checks its width after every fit of the accounts list, and measuring every caption again
  // each time cost more than the fit itself.
  mutable QHash<QString, int> captionWidths_;
  mutable QFont captionFont_;
  DirectoryTab* directory_ = nullptr;
  QLabel* panelActive_ = nullptr;
  QLabel* panelProxy_ = nullptr;
  QLabel* panelHint_ = nullptr;
  BalloonTip* proxyBalloon_ = nullptr;
  EventsWindow* events_ = nullptr;
  Notifier* notifier_ = nullptr;
  WindowServices* services_ = nullptr;
  PaymentServices paymentServices_;
  std::function<bool(const QUrl&)> openUrl_;
  InstanceLinks* instanceLinks_ = nullptr;
  RefreshScheduler* refresh_ = nullptr;
  QString applicationTitle_ = QStringLiteral("Nummora");
  bool firstShowDone_ = false;
  bool closing_ = false;
  ContactsPage* contactsPage_ = nullptr;
  OperationsPage* operationsPage_ = nullptr;
  RecentPaymentsFetch* recentPayments_ = nullptr;
  WorkerHost* workerHost_ = nullptr;
};

}  // namespace nummora
