// The main window's side of the preferences, the global hotkeys, the export and import of
// settings and the window layout: the preferences dialog that lives for the whole run, what it
// applies to the window, and the account import into the model.
#include <QCoreApplication>
#include <QTreeView>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/accounts_page.h"
#include "app/main_window.h"
#include "app/refresh_scheduler.h"
#include "common/secure_memory.h"
#include "market/metals_pane_widget.h"
#include "platform/settings_store.h"
#include "platform/settings_table.h"
#include "preferences/export_dialog.h"
#include "preferences/hotkey_manager.h"
#include "preferences/import_dialog.h"
#include "preferences/layout_keeper.h"
#include "preferences/preferences_dialog.h"
#include "profile/document.h"
#include "ui/events_window.h"
#include "ui/latin1.h"
#include "ui/message_box.h"

namespace nummora {

namespace {
// The lists of the main window whose column widths are kept, in the order they are restored
// and saved.
constexpr const char* kLayoutLists[] = {"List", "Contacts", "Operations", "DirL", "Metals"};
}  // namespace

void MainWindow::CreatePreferences(WorkerHost* workerHost, const std::string& executablePath) {
  if (!store_ || preferences_) return;
  PreferencesHooks h;
  h.accountLabels = [this] {
    std::vector<std::string> labels;
    for (const AccountRecord& a : model_.Accounts())
      labels.push_back(a.ID.empty() ? std::string() : AccountLabel(a));
    return labels;
  };
  h.profilePassword = [this] { return session_.Password(); };
  h.changePassword = [this](const std::string& newPassword) { return session_.ChangePassword(newPassword); };
  h.strongProtection = [this] { return session_.Strong(); };
  h.setStrongProtection = [this](bool strong) { return session_.SetStrongProtection(strong); };
  h.moveDataFile = [this](const std::string& from, const std::string& to) {
    return session_.MoveDataFile(from, to);
  };
  h.applyOnTop = [this](bool onTop) { ApplyOnTop(onTop); };
  h.applyProxy = [this](const ProxySettings& proxy) { ShowProxyIndicator(proxy); };
  h.applyDisplayCurrency = [this](const std::string& currency) { ApplyDisplayCurrency(currency); };
  h.applied = [this] { session_.ReloadSettings(); };
  h.notify = [this](NotifyKind kind, const std::string& title, bool asDialog, const std::string& text) {
    Notify(kind, title, asDialog, text);
  };
  h.workerHost = workerHost;
  h.executablePath = executablePath;
  preferences_ = new PreferencesDialog(*store_, profileName_, *Hotkeys(), std::move(h), boxes_, this);
}

void MainWindow::ShowPreferences() {
  if (preferences_) preferences_->exec();
}

void MainWindow::ShowConnectionPreferences() {
  if (preferences_) preferences_->ExecAt(PreferencesDialog::kConnectionPage);
}

void MainWindow::ApplyOnTop(bool onTop) {
  session_.SetOnTop(onTop);
  if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
  const bool wasVisible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  if (wasVisible) show();  // changing the flags hides the window
}

void MainWindow::ApplyDisplayCurrency(const std::string& currency) {
  accountsPage_->SetDisplayCurrency(currency);
  if (model_.DisplayCurrency == currency) return;
  model_.DisplayCurrency = currency;
  // No rates in this currency have been received: the timer asks each minute until they come.
  model_.RatesTime = 0;
  // The rates are prices in the old currency: cells and values stay empty until the new ones
  // come. The profile load asks for rates itself, in the currency then in force.
  ShowRates(accountsPage_->Rates());
  if (session_.Loaded()) RequestRates();
}

namespace {
// The import writes into the model through the window.
class WindowImporter : public AccountImporter {
 public:
  explicit WindowImporter(std::function<int(const std::string&)> find,
                          std::function<int(const AccountRecord&)> append,
                          std::function<bool(const std::string&)> confirm,
                          std::function<void(int, const AccountRecord&)> replace,
                          std::function<void(int)> refresh)
      : find_(std::move(find)),
        append_(std::move(append)),
        confirm_(std::move(confirm)),
        replace_(std::move(replace)),
        refresh_(std::move(refresh)) {}
  int FindAccount(const std::string& id) override { return find_(id); }
  int AppendAccount(const AccountRecord& account) override { return append_(account); }
  bool ConfirmOverwrite(const std::string& id) override { return confirm_(id); }
  void ReplaceAccount(int position, const AccountRecord& account) override { replace_(position, account); }
  void RefreshAccount(int position) override { refresh_(position); }

 private:
  std::function<int(const std::string&)> find_;
  std::function<int(const AccountRecord&)> append_;
  std::function<bool(const std::string&)> confirm_;
  std::function<void(int, const AccountRecord&)> replace_;
  std::function<void(int)> refresh_;
};
}  // namespace

void MainWindow::OnImport() {
  if (!store_) return;
  WindowImporter importer([this](const std::string& id) { return model_.FindAccount(id); },
                          [this](const AccountRecord& record) {
                            if (model_.AccountCount() >= ProfileModel::kMaxAccounts) return -1;
                            const int position = model_.AppendAccount(record);
                            if (position >= 0) accountsPage_->AppendRow();
                            return position;
                          },
                          [this](const std::string& id) {
                            return Boxes().Ask(this, QStringLiteral("Do you wish to overwrite account ") +
                                                         FromLatin1(id) + QStringLiteral("?"));
                          },
                          [this](int position, const AccountRecord& record) {
                            AccountRecord& entry = model_.Account(position);
                            SecureWipe(entry.Password);
                            const bool refreshing = entry.Refreshing;
                            entry = record;
                            entry.Index = static_cast<int8_t>(position);
                            entry.Refreshing = refreshing;
                          },
                          [this](int position) {
                            RequestRates();
                            refresh_->Request(position);
                            accountsPage_->ShowRow(model_.RowOfAccount(position));
                          });
  ImportDialog dialog(
      importer,
      [this](const ContactRecord& contact) {
        if (!model_.AddContact(contact)) return false;
        emit ContactsChanged();
        return true;
      },
      *store_, profileName_, boxes_, this);
  if (session_.Settings().onTop) dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  dialog.exec();
}

void MainWindow::OnExport() {
  ProfileSettings values;
  if (preferences_) {
    values = preferences_->Values();
  } else if (store_) {
    store_->SetRootKey(RootKey::LocalMachine);
    if (store_->OpenKey(ProfileKeyPath(profileName_), false) && ReadGeneralPreferences(*store_, values)) {
      ReadHotkeyPreference(*store_, settings::kHotkeyBalance.name, values.hotkeyBalance);
      ReadHotkeyPreference(*store_, settings::kHotkeySpend.name, values.hotkeySpend);
    }
  }
  ExportDialog dialog(
      model_.Accounts(), ExportedPreferencesOf(values), model_.Contacts(),
      [this] { return DateTimeToStr(Now(), regional_); }, boxes_, this);
  SecureWipe(values.proxyPasswd);
  if (session_.Settings().onTop) dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  dialog.exec();
}

void MainWindow::ConnectTransfer() {
  actions_.importAccounts->setEnabled(true);
  actions_.exportAccounts->setEnabled(true);
  connect(actions_.importAccounts, &QAction::triggered, this, &MainWindow::OnImport);
  connect(actions_.exportAccounts, &QAction::triggered, this, &MainWindow::OnExport);
}

void MainWindow::RestoreLayout() {
  const LayoutPlace place{store_, profileName_};
  // A window given its size by the user's last run is not widened by itself any more.
  if (RestoreWindowBounds(this, place, "Nummora")) autoWidth_ = -1;
  for (const char* name : kLayoutLists) RestoreColumnWidths(ColumnList(this, name), place, name);
}

void MainWindow::SaveLayout() {
  const LayoutPlace place{store_, profileName_};
  SaveWindowBounds(this, place, "Nummora");
  for (const char* name : kLayoutLists) SaveColumnWidths(ColumnList(this, name), place, name);
}

}  // namespace nummora
