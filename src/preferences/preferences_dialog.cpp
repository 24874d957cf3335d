#include "preferences/preferences_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "common/secure_memory.h"
#include "desktop/autostart.h"
#include "net/vendor_urls.h"
#include "platform/settings_store.h"
#include "preferences/hotkey_edit.h"
#include "preferences/hotkey_manager.h"
#include "preferences/hotkey_text.h"
#include "profile/profile_settings.h"
#include "ui/balloon_widget.h"
#include "ui/keyboard_widget.h"
#include "ui/latin1.h"
#include "ui/layout_scale.h"
#include "ui/message_box.h"
#include "ui/password_field.h"

namespace nummora {

std::string AbsoluteDataFile(const std::string& path, const std::string& current) {
  std::filesystem::path p(path);
  if (p.is_relative()) {
    const std::filesystem::path folder = std::filesystem::path(current).parent_path();
    std::error_code ec;
    p = folder.is_absolute() ? folder / p : std::filesystem::absolute(p, ec);
  }
  return p.lexically_normal().string();
}

namespace {
QLabel* Buddy(const char* caption, QWidget* field) {
  auto* label = new QLabel(QString::fromLatin1(caption));
  label->setBuddy(field);
  return label;
}
QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
  auto* b = new QPushButton(QString::fromLatin1(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);  // Enter belongs to the dialog
  return b;
}
template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}
}  // namespace

PreferencesDialog::PreferencesDialog(SettingsStore& store, std::string profileName, HotkeyManager& hotkeys,
                                     PreferencesHooks hooks, MessageBoxes* boxes, QWidget* parent)
    : QDialog(parent),
      store_(store),
      profileName_(std::move(profileName)),
      hotkeys_(hotkeys),
      hooks_(std::move(hooks)),
      boxes_(boxes) {
  setObjectName(QStringLiteral("fPreferences"));
  setWindowTitle(QStringLiteral("Preferences"));
  pages_ = Named(new QTabWidget(this), "PageControl");
  pages_->addTab(BuildGeneralPage(), QStringLiteral("General settings"));
  pages_->addTab(BuildConnectionPage(), QStringLiteral("Connection"));
  pages_->addTab(BuildSecurityPage(), QStringLiteral("Security"));

  auto* ok = Button("bOk", "&OK", this);
  auto* cancel = Button("bCancel", "&Cancel", this);
  connect(ok, &QPushButton::clicked, this, &PreferencesDialog::OkClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);  // a fixed-size dialog

  // The controls start with the defaults: a new profile's first load saves them.
  ShowValues(ProfileSettings{});
  LoadAndApply();
}

PreferencesDialog::~PreferencesDialog() = default;

QWidget* PreferencesDialog::BuildGeneralPage() {
  auto* page = Named(new QWidget, "tsGeneral");
  chkAutorun_ = Named(new QCheckBox(QStringLiteral("S&tart Nummora when I log in"), page), "chkAutorun");
  valute_ = Named(new QComboBox(page), "Valute");
  for (const char* item : kCurrencyItems) valute_->addItem(QString::fromLatin1(item));
  defAccount_ = Named(new QComboBox(page), "DefAccount");
  connect(defAccount_, &QComboBox::activated, this, [this](int index) { defaultAccount_ = index; });
  chkTop_ = Named(new QCheckBox(QStringLiteral("&Main window always on top"), page), "chkTop");
  hotBalance_ = Named(new HotkeyEdit(page), "HotBalance");
  hotSpend_ = Named(new HotkeyEdit(page), "HotSpend");
  auto* form = new QFormLayout(page);
  form->addRow(Buddy("&Default valute:", valute_), valute_);
  form->addRow(Buddy("Default &account:", defAccount_), defAccount_);
  form->addRow(Buddy("&Hotkey to update all balances:", hotBalance_), hotBalance_);
  form->addRow(Buddy("H&otkey to open spend form:", hotSpend_), hotSpend_);
  form->addRow(chkTop_);
  form->addRow(chkAutorun_);
  return page;
}

QWidget* PreferencesDialog::BuildConnectionPage() {
  auto* page = Named(new QWidget, "tsConnection");
  useProxy_ = Named(new QCheckBox(QStringLiteral("&Use proxy"), page), "UseProxy");
  connect(useProxy_, &QCheckBox::toggled, this, &PreferencesDialog::EnableProxyFields);
  proxyHost_ = Named(new QLineEdit(page), "ProxyHost");
  proxyPort_ = Named(new QLineEdit(page), "ProxyPort");
  proxyUser_ = Named(new QLineEdit(page), "ProxyUser");
  proxyPasswd_ = Named(new QLineEdit(page), "ProxyPasswd");
  MakePasswordField(proxyPasswd_);
  auto* fields = new QFormLayout;
  fields->addRow(useProxy_);
  fields->addRow(Buddy("&Host:", proxyHost_), proxyHost_);
  fields->addRow(Buddy("&Port:", proxyPort_), proxyPort_);
  fields->addRow(Buddy("&Username:", proxyUser_), proxyUser_);
  fields->addRow(Buddy("P&assword:", proxyPasswd_), proxyPasswd_);

  proxyList_ = Named(new QListWidget(page), "ProxyList");
  connect(proxyList_, &QListWidget::itemDoubleClicked, this, &PreferencesDialog::ProxyListDoubleClick);
  bDownload_ = Button("bDownload", "&Download", page);
  bDownload_->installEventFilter(this);
  connect(bDownload_, &QPushButton::clicked, this, &PreferencesDialog::DownloadClick);
  balloon_ = new BalloonTip(this);
  auto* list = new QVBoxLayout;
  list->addWidget(Buddy("P&roxy list:", proxyList_));
  list->addWidget(proxyList_, 1);
  list->addWidget(bDownload_);

  auto* layout = new QHBoxLayout(page);
  layout->addLayout(fields, 3);
  layout->addLayout(list, 2);
  return page;
}

QWidget* PreferencesDialog::BuildSecurityPage() {
  auto* page = Named(new QWidget, "tsSecurity");
  eDataFile_ = Named(new QLineEdit(page), "eDataFile");
  auto* browse = Named(new QToolButton(page), "bDataFile");
  browse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  browse->setAutoRaise(true);
  connect(browse, &QToolButton::clicked, this, &PreferencesDialog::DataFileClick);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(eDataFile_, 1);
  fileRow->addWidget(browse);
  chkSave_ = Named(new QCheckBox(QStringLiteral("&Save Passwords"), page), "chkSave");
  // Acts at once, like the password change: the profile is written in the chosen format.
  chkStrong_ =
      Named(new QCheckBox(QStringLiteral("Protect the profile with strong &encryption"), page), "chkStrong");
  connect(chkStrong_, &QCheckBox::clicked, this, &PreferencesDialog::StrongClick);

  auto* group = Named(new QGroupBox(QStringLiteral("Change password"), page), "gbPassword");
  eOldPassword_ = Named(new QLineEdit(group), "eOldPassword");
  eNewPassword_ = Named(new QLineEdit(group), "eNewPassword");
  eRetypePassword_ = Named(new QLineEdit(group), "eRetypePassword");
  for (QLineEdit* field : {eOldPassword_, eNewPassword_, eRetypePassword_}) MakePasswordField(field);
  const auto keyboardButton = [this, group](const char* name, QLineEdit* target) {
    auto* b = Named(new QToolButton(group), name);
    b->setText(QStringLiteral("..."));
    b->setToolTip(QStringLiteral("Virtual Keyboard"));
    connect(b, &QToolButton::clicked, this, [this, target] { OnScreenKeyboard::Open(this, target); });
    auto* row = new QHBoxLayout;
    row->addWidget(target, 1);
    row->addWidget(b);
    return row;
  };
  auto* change = Button("bChangePassword", "&Change password", group);
  connect(change, &QPushButton::clicked, this, &PreferencesDialog::ChangePasswordClick);
  auto* groupForm = new QFormLayout(group);
  groupForm->addRow(Buddy("&Old password:", eOldPassword_), eOldPassword_);
  groupForm->addRow(Buddy("&New password:", eNewPassword_), keyboardButton("bKeyboardNew", eNewPassword_));
  groupForm->addRow(Buddy("&Retype password:", eRetypePassword_),
                    keyboardButton("bKeyboardRetype", eRetypePassword_));
  groupForm->addRow(change);

  // Shown as it always was; nothing reads its value.
  auto* slider = Named(new QSlider(Qt::Horizontal, page), "TrackBar");
  slider->setRange(1, 100);
  slider->setValue(1);
  auto* sliderRow = new QHBoxLayout;
  sliderRow->addWidget(slider, 1);
  sliderRow->addWidget(new QLabel(page));

  auto* form = new QFormLayout(page);
  form->addRow(Buddy("&Data file:", eDataFile_), fileRow);
  form->addRow(chkSave_);
  form->addRow(chkStrong_);
  form->addRow(group);
  form->addRow(sliderRow);
  return page;
}

MessageBoxes& PreferencesDialog::Boxes() const {
  return BoxesOrSystem(boxes_);
}

void PreferencesDialog::Notify(NotifyKind kind, const std::string& title, const std::string& text) {
  if (hooks_.notify)
    hooks_.notify(kind, title, true, text);
  else
    Boxes().Show(this, kind == NotifyKind::Error ? MessageIcon::Error : MessageIcon::Information,
                 FromLatin1(title + ":\r\n" + text));
}

ProfileSettings PreferencesDialog::Values() const {
  ProfileSettings v;
  v.dataFile = ToLatin1(eDataFile_->text());
  v.savePassPhrase = chkSave_->isChecked();
  v.useProxy = useProxy_->isChecked();
  v.proxyHost = ToLatin1(proxyHost_->text());
  v.proxyPort = ToLatin1(proxyPort_->text());
  v.proxyUser = ToLatin1(proxyUser_->text());
  v.proxyPasswd = ToLatin1(proxyPasswd_->text());
  v.fiat = std::max(0, valute_->currentIndex());
  v.defaultAccount = defaultAccount_;
  v.onTop = chkTop_->isChecked();
  v.hotkeyBalance = hotBalance_->Value();
  v.hotkeySpend = hotSpend_->Value();
  return v;
}

void PreferencesDialog::ShowValues(const ProfileSettings& v) {
  eDataFile_->setText(FromLatin1(v.dataFile));
  chkSave_->setChecked(v.savePassPhrase);
  useProxy_->setChecked(v.useProxy);
  proxyHost_->setText(FromLatin1(v.proxyHost));
  proxyPort_->setText(FromLatin1(v.proxyPort));
  proxyUser_->setText(FromLatin1(v.proxyUser));
  proxyPasswd_->setText(FromLatin1(v.proxyPasswd));
  valute_->setCurrentIndex(v.fiat >= 0 && v.fiat < valute_->count() ? v.fiat : -1);
  defaultAccount_ = v.defaultAccount;
  chkTop_->setChecked(v.onTop);
  hotBalance_->SetValue(v.hotkeyBalance);
  hotSpend_->SetValue(v.hotkeySpend);
  EnableProxyFields();
}

void PreferencesDialog::RegisterHotkey(int value) {
  if (value <= 0) return;
  if (hotkeys_.Register(value) == 0)
    Notify(NotifyKind::Error, "Hotkey error", "Could not set " + HotkeyText(value) + " as a hotkey");
}

void PreferencesDialog::LoadAndApply() {
  ProfileSettings v = Values();
  chkAutorun_->setChecked(AutostartEnabled());
  try {
    store_.SetRootKey(RootKey::LocalMachine);
    store_.OpenKey(ProfileKeyPath(profileName_), true);
    const auto stopHere = [this, &v] {
      // A value that is missing (a new profile) or unreadable: what the dialog shows now is
      // written, and applying waits for the next load.
      ShowValues(v);
      Save(false);
    };
    if (!ReadGeneralPreferences(store_, v)) return stopHere();
    ShowValues(v);
    displayCurrency_ = DisplayCurrencyOf(v.fiat);
    if (hooks_.applyOnTop) hooks_.applyOnTop(v.onTop);
    hotkeys_.RemoveAll();
    if (!ReadHotkeyPreference(store_, settings::kHotkeyBalance.name, v.hotkeyBalance)) return stopHere();
    hotBalance_->SetValue(v.hotkeyBalance);
    RegisterHotkey(v.hotkeyBalance);
    if (!ReadHotkeyPreference(store_, settings::kHotkeySpend.name, v.hotkeySpend)) return stopHere();
    hotSpend_->SetValue(v.hotkeySpend);
    RegisterHotkey(v.hotkeySpend);
    if (hooks_.applyProxy) hooks_.applyProxy(ProxyOf(v));
    if (hooks_.applyDisplayCurrency) hooks_.applyDisplayCurrency(displayCurrency_);
    if (hooks_.applied) hooks_.applied();
  } catch (const std::exception& e) {
    Notify(NotifyKind::Error, "Preferences", e.what());
  }
}

bool PreferencesDialog::Save(bool check) {
  ProfileSettings v = Values();
  if (check) {
    if (const auto problem = PreferenceProblem(v)) {
      Boxes().Error(this, FromLatin1(*problem));
      pages_->setCurrentIndex(kConnectionPage);
      (useProxy_->isChecked() && proxyHost_->text().isEmpty() ? proxyHost_ : proxyPort_)->setFocus();
      return false;
    }
  }
  // 1. Start at login.
  try {
    if (chkAutorun_->isChecked())
      EnableAutostart(hooks_.executablePath);
    else
      DisableAutostart();
  } catch (const std::exception& e) {
    Boxes().Error(this, QStringLiteral("The autostart entry could not be changed:\n") +
                            QString::fromLocal8Bit(e.what()));
  }
  bool moved = true;
  try {
    store_.SetRootKey(RootKey::LocalMachine);
    store_.OpenKey(ProfileKeyPath(profileName_), true);
    // 2. The data file: the profile is written at the new path before the old file goes.
    const std::string stored = store_.GetValueKind(settings::kDataFile.name) == ValueKind::Text
                                   ? store_.ReadString(settings::kDataFile.name)
                                   : std::string();
    if (!v.dataFile.empty()) v.dataFile = AbsoluteDataFile(v.dataFile, stored);
    if (v.dataFile != stored) {
      std::optional<std::string> error;
      bool refused = false;
      if (v.dataFile.empty())
        error = "No data file is named.";
      else if (!ReplaceAllowed(v.dataFile, stored))
        refused = true;
      else if (hooks_.moveDataFile)
        error = hooks_.moveDataFile(stored, v.dataFile);
      if (error)
        Boxes().Error(this, QStringLiteral("The profile could not be moved to ") + FromLatin1(v.dataFile) +
                                QStringLiteral(":\n") + FromLatin1(*error) +
                                QStringLiteral("\n\nIt stays at ") + FromLatin1(stored) +
                                QStringLiteral("."));
      if (error || refused) {
        v.dataFile = stored;
        moved = false;
      } else {
        store_.WriteString(settings::kDataFile.name, v.dataFile);
      }
    }
    eDataFile_->setText(FromLatin1(v.dataFile));
    replaceConfirmed_.clear();
    // 3.-5. The values, the currency, the hotkeys.
    WriteGeneralPreferences(store_, v);
    if (!store_.ValueExists(settings::kFiat.name)) store_.WriteInteger(settings::kFiat.name, v.fiat);
    if (store_.TryReadInteger(settings::kFiat.name) != v.fiat) {
      store_.WriteInteger(settings::kFiat.name, v.fiat);
      displayCurrency_ = DisplayCurrencyOf(v.fiat);
      if (hooks_.applyDisplayCurrency) hooks_.applyDisplayCurrency(displayCurrency_);
    }
    WriteHotkeyPreferences(store_, v);
  } catch (const std::exception&) {
    // Saving stops at the failed write; the currency position is still kept.
    try {
      store_.WriteInteger(settings::kFiat.name, v.fiat);
    } catch (const std::exception&) {
    }
  }
  return moved || !check;
}

bool PreferencesDialog::ReplaceAllowed(const std::string& target, const std::string& current) {
  std::error_code ec;
  if (!std::filesystem::exists(target, ec)) return true;
  if (!current.empty() && std::filesystem::equivalent(target, current, ec)) return true;
  if (target == replaceConfirmed_) return true;
  return Boxes().Ask(this,
                     FromLatin1(target) + QStringLiteral(" already exists.\nDo you want to replace it?"));
}

void PreferencesDialog::SaveAndApply() {
  if (!Save(true)) return;
  LoadAndApply();
}

void PreferencesDialog::OkClick() {
  if (!Save(true)) return;
  LoadAndApply();
  accept();
}

void PreferencesDialog::done(int result) {
  // The dialog lives for the whole run: typed passwords do not stay in it.
  ClearPasswordFields();
  QDialog::done(result);
  // Closing in any way applies what is stored: unsaved edits go.
  LoadAndApply();
}

void PreferencesDialog::keyPressEvent(QKeyEvent* e) {
  if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
      !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    SaveAndApply();
    return;
  }
  QDialog::keyPressEvent(e);
}

int PreferencesDialog::ExecAt(Page page) {
  pages_->setCurrentIndex(page);
  return exec();
}

void PreferencesDialog::showEvent(QShowEvent* e) {
  chkStrong_->setChecked(hooks_.strongProtection && hooks_.strongProtection());
  // Something else may have written the settings since the last load (an import does): the
  // dialog shows what is stored, so that OK never writes older values back over it.
  ShowStored();
  EnableProxyFields();
  FillDefAccount();
  QDialog::showEvent(e);
}

bool PreferencesDialog::eventFilter(QObject* watched, QEvent* e) {
  if (watched == bDownload_ && e->type() == QEvent::Enter)
    balloon_->ShowAt(bDownload_, BalloonTip::Icon::Information, QStringLiteral("Proxy list"),
                     QStringLiteral("Download anonymous proxies!"), 3000);
  return QDialog::eventFilter(watched, e);
}

void PreferencesDialog::EnableProxyFields() {
  const bool on = useProxy_->isChecked();
  for (QLineEdit* field : {proxyHost_, proxyPort_, proxyUser_, proxyPasswd_}) field->setEnabled(on);
}

void PreferencesDialog::FillDefAccount() {
  defAccount_->clear();
  if (hooks_.accountLabels)
    for (const std::string& label : hooks_.accountLabels()) defAccount_->addItem(FromLatin1(label));
  defAccount_->setCurrentIndex(
      defaultAccount_ >= 0 && defaultAccount_ < defAccount_->count() ? defaultAccount_ : -1);
}

void PreferencesDialog::DataFileClick() {
  QFileDialog dialog(this, QStringLiteral("Data file"), eDataFile_->text());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("nmr"));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (!eDataFile_->text().isEmpty()) dialog.selectFile(eDataFile_->text());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  eDataFile_->setText(dialog.selectedFiles().first());
  // The file dialog has asked before replacing an existing file: saving does not ask again.
  replaceConfirmed_ = ToLatin1(dialog.selectedFiles().first());
}

void PreferencesDialog::ChangePasswordClick() {
  if (!CheckPasswordField(eNewPassword_, boxes_, this) || !CheckPasswordField(eRetypePassword_, boxes_, this))
    return;
  std::string oldPassword = ToLatin1(eOldPassword_->text());
  std::string current = hooks_.profilePassword ? hooks_.profilePassword() : std::string();
  const bool oldRight = oldPassword == current;
  SecureWipe(oldPassword);
  SecureWipe(current);
  if (!oldRight) {
    Boxes().Show(this, MessageIcon::None, QStringLiteral("Wrong password"));
    return;
  }
  std::string newPassword = ToLatin1(eNewPassword_->text());
  std::string retyped = ToLatin1(eRetypePassword_->text());
  const auto problem = NewPasswordProblem(newPassword, retyped);
  SecureWipe(retyped);
  if (problem) {
    SecureWipe(newPassword);
    Notify(NotifyKind::Error, "", *problem);
    return;
  }
  const std::optional<std::string> error = hooks_.changePassword
                                               ? hooks_.changePassword(newPassword)
                                               : std::optional<std::string>("Nothing to save with.");
  SecureWipe(newPassword);
  if (error) {
    Boxes().Error(this, QStringLiteral("The password was not changed: the profile could not be written:\n") +
                            FromLatin1(*error));
    return;
  }
  ClearPasswordFields();
  Notify(NotifyKind::Information, "", "Password succesfully changed");
}

void PreferencesDialog::StrongClick(bool strong) {
  const bool was = hooks_.strongProtection && hooks_.strongProtection();
  if (!strong && was &&
      !Boxes().Ask(
          this, QStringLiteral("Write the profile with the old 40-bit protection? It does not hold against "
                               "a stolen disk; use it only for a program that reads no other."))) {
    chkStrong_->setChecked(true);
    return;
  }
  const std::optional<std::string> error = hooks_.setStrongProtection
                                               ? hooks_.setStrongProtection(strong)
                                               : std::optional<std::string>("Nothing to save with.");
  if (error) {
    Boxes().Error(this, QStringLiteral("The profile could not be written:\n") + FromLatin1(*error));
    chkStrong_->setChecked(was);
  }
}

void PreferencesDialog::ClearPasswordFields() {
  for (QLineEdit* field : {eOldPassword_, eNewPassword_, eRetypePassword_}) field->clear();
}

void PreferencesDialog::ShowStored() {
  ProfileSettings v = Values();
  try {
    store_.SetRootKey(RootKey::LocalMachine);
    if (!store_.OpenKey(ProfileKeyPath(profileName_), false)) return;
    if (!ReadGeneralPreferences(store_, v) || !ReadHotkeyPreferences(store_, v))
      return;  // an unreadable value: the next load saves what the dialog shows
  } catch (const std::exception&) {
    return;
  }
  ShowValues(v);
  SecureWipe(v.proxyPasswd);
}

void PreferencesDialog::DownloadClick() {
  if (!hooks_.workerHost) return;
  bDownload_->setEnabled(false);
  proxyWorker_ = MakeRequestWorker(hooks_.workerHost);
  QPointer<PreferencesDialog> self(this);
  const bool started = proxyWorker_->StartSimple(
      VendorBaseUrl() + "/services/proxies.php", std::string(), this, [self](RequestWorker& worker) {
        if (!self) return;
        if (worker.Succeeded()) {
          self->proxyList_->clear();
          for (const std::string& line : ReadProxyList(worker.Response()))
            self->proxyList_->addItem(FromLatin1(line));
        }
        self->bDownload_->setEnabled(true);
      });
  if (!started) bDownload_->setEnabled(true);
}

void PreferencesDialog::ProxyListDoubleClick() {
  QListWidgetItem* item = proxyList_->currentItem();
  if (!item) return;
  std::string host, port;
  SplitProxyLine(ToLatin1(item->text()), host, port);
  proxyHost_->setText(FromLatin1(host));
  proxyPort_->setText(FromLatin1(port));
  useProxy_->setChecked(true);
  EnableProxyFields();
}

}  // namespace nummora
