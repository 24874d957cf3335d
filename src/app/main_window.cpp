#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMetaMethod>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "app/account_rows.h"
#include "app/accounts_page.h"
#include "app/instance_links.h"
#include "app/notifier.h"
#include "app/refresh_scheduler.h"
#include "app/window_services.h"
#include "common/secure_memory.h"
#include "common/version.h"
#include "contacts/contacts_page.h"
#include "directory/directory_tab.h"
#include "market/metals_pane_widget.h"
#include "net/vendor_urls.h"
#include "platform/settings_store.h"
#include "platform/settings_table.h"
#include "profile/document.h"
#include "ui/balloon_widget.h"
#include "ui/column_fitter.h"
#include "ui/events_window.h"
#include "ui/icons.h"
#include "ui/latin1.h"
#include "ui/layout_scale.h"
#include "ui/message_box.h"
#include "ui/record_list.h"

namespace nummora {

namespace {
const SystemClock& TheSystemClock() {
  static const SystemClock clock;
  return clock;
}
}  // namespace

MainWindow::MainWindow(MainWindowSetup setup, QWidget* parent)
    : QMainWindow(parent),
      store_(setup.store),
      profileName_(setup.profileName),
      commandLineLink_(std::move(setup.commandLineLink)),
      regional_(setup.regional),
      numberFormat_(MakeNumberFormat(setup.regional)),
      clock_(setup.clock ? setup.clock : &TheSystemClock()),
      boxes_(setup.boxes),
      session_(setup.store, std::move(setup.profileName), std::move(setup.profileKey),
               std::move(setup.profileText), model_, setup.regional,
               [this](const std::string& line) { LogLine(line); }) {
  openUrl_ = std::move(setup.openUrl);
  setObjectName(QStringLiteral("Nummora"));
  setWindowTitle(QStringLiteral("Nummora"));
  setWindowIcon(ProgramIcon());
  setWindowFlags((windowFlags() | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) &
                 ~Qt::WindowMaximizeButtonHint);
  model_.DisplayCurrency = DisplayCurrencyOf(session_.Settings().fiat);
  if (session_.Settings().onTop) setWindowFlag(Qt::WindowStaysOnTopHint, true);

  actions_ = CreateMainActions(this);
  BuildWindow();
  BuildMenus();
  events_ = new EventsWindow(this);

  notifier_ = new Notifier(*this, setup.notifier, boxes_, actions_.spend, actions_.updateAll);
  connect(notifier_, &Notifier::ExitRequested, this, &QWidget::close);
  connect(notifier_, &Notifier::HintChanged, panelHint_, &QLabel::setText);
  connect(notifier_, &Notifier::HotkeyPressed, this, &MainWindow::HotkeyPressed);

  refresh_ = new RefreshScheduler(
      model_, *clock_, [this](int position) { DispatchRefresh(position); }, this);
  connect(refresh_, &RefreshScheduler::RefreshStateChanged, this, &MainWindow::RefreshStateChanged);
  connect(refresh_, &RefreshScheduler::RatesDue, this, &MainWindow::RequestRates);

  ConnectActions();
  ConnectCommandUpdates();
  ShowActiveAccount(-1);
  UpdateActions();

  instanceLinks_ = new InstanceLinks(setup.instanceSocket, setup.storeFile, this);
  connect(instanceLinks_, &InstanceLinks::ComeToFrontRequested, notifier_, &Notifier::ShowWindow);
  connect(instanceLinks_, &InstanceLinks::LinkArrived, this, &MainWindow::OpenPaymentLink);
  RestoreLayout();
}

MainWindow::~MainWindow() {
  // The children go after this body: their last signals (the list emptied, the tabs removed)
  // must not reach a window that is half gone.
  accountsPage_->Rows()->disconnect(this);
  accountsPage_->disconnect(this);
  pages_->disconnect(this);
  if (contactsPage_) contactsPage_->disconnect(this);
  instanceLinks_->Stop();
}

MessageBoxes& MainWindow::Boxes() const {
  return BoxesOrSystem(boxes_);
}

TDateTime MainWindow::Now() const {
  return clock_->Now();
}

void MainWindow::BuildWindow() {
  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("PageControl"));
  accountsPage_ = new AccountsPage(
      model_, actions_, regional_, numberFormat_,
      [this](const AccountRecord& account) -> std::optional<Currency> {
        return services_ ? services_->EgoldValue(account) : Currency(0);
      },
      pages_);
  connect(accountsPage_, &AccountsPage::ColumnsFitted, this, &MainWindow::GrowToFitColumns);
  const LayoutScale scale = LayoutScale::ForApplication();

  pages_->addTab(accountsPage_, AccountTypeIcon(AccountType::Egold), QStringLiteral("Accounts"));
  const char* others[][2] = {
      {"tsContacts", "Contacts"}, {"tsOperations", "Last operations"}, {"tsDirectory", "Gold directory"}};
  for (const auto& page : others) {
    auto* tab = new QWidget(pages_);
    tab->setObjectName(QString::fromLatin1(page[0]));
    pages_->addTab(tab, QString::fromLatin1(page[1]));
    if (tab->objectName() == QLatin1String("tsDirectory")) BuildDirectoryTab(tab);
  }
  setCentralWidget(pages_);
  BuildContactsPage();
  BuildOperationsPage();

  panelActive_ = new QLabel(this);
  panelActive_->setObjectName(QStringLiteral("StatusActive"));
  // At least the panel's width; wider when the caption needs it, so that it is never cut.
  panelActive_->setMinimumWidth(scale.X(200));
  panelProxy_ = new QLabel(this);
  panelProxy_->setObjectName(QStringLiteral("StatusProxy"));
  panelProxy_->setFixedWidth(scale.X(25));
  panelHint_ = new QLabel(this);
  panelHint_->setObjectName(QStringLiteral("StatusHint"));
  // The hint panel takes what is left and cuts a long hint rather than squeezing panel 0.
  panelHint_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  statusBar()->setObjectName(QStringLiteral("StatusBar"));
  statusBar()->setSizeGripEnabled(true);
  statusBar()->addWidget(panelActive_);
  statusBar()->addWidget(panelProxy_);
  statusBar()->addWidget(panelHint_, 1);
  statusBar()->installEventFilter(this);
  for (QLabel* panel : {panelActive_, panelProxy_, panelHint_}) panel->installEventFilter(this);
  proxyBalloon_ = new BalloonTip(this);
  ShowProxyIndicator(model_.Proxy);

  resize(scale.Size(443, 339 + 60));
  autoWidth_ = width();
}

int MainWindow::StatusNeededWidth() const {
  // Panel 0 whole for the longest row caption, the proxy icon, a little of the hint panel, and
  // what the status bar itself takes around them.
  const QFont font = panelActive_->font();
  const QFontMetrics metrics(font);
  if (font != captionFont_ || captionWidths_.size() > 2 * accountsPage_->RowCount() + 16) {
    captionWidths_.clear();
    captionFont_ = font;
  }
  int widest = 0;
  for (int row = 0; row < accountsPage_->RowCount(); ++row) {
    const QString caption = accountsPage_->Caption(row);
    auto found = captionWidths_.constFind(caption);
    if (found == captionWidths_.constEnd())
      found = captionWidths_.insert(caption,
                                    metrics.horizontalAdvance(QStringLiteral("Active account: ") + caption));
    widest = std::max(widest, *found);
  }
  const int panelOverhead =
      panelActive_->sizeHint().width() - metrics.horizontalAdvance(panelActive_->text());
  const int barOverhead =
      statusBar()->width() - panelActive_->width() - panelProxy_->width() - panelHint_->width();
  return widest + panelOverhead + panelProxy_->width() + LayoutScale::ForApplication().X(40) + barOverhead;
}

void MainWindow::GrowToFitColumns() {
  // A window the user has resized (or maximised) keeps its size.
  if (isMaximized() || isFullScreen() || width() != autoWidth_) return;
  if (QLayout* l = layout()) l->activate();
  const int excess = std::max(accountsPage_->ExcessWidth(), StatusNeededWidth() - statusBar()->width());
  if (excess <= 0) return;
  int wanted = width() + excess;
  if (const QScreen* s = screen()) wanted = std::min(wanted, s->availableGeometry().width());
  if (wanted <= width()) return;
  resize(wanted, height());
  autoWidth_ = width();
}

void MainWindow::BuildMenus() {
  QMenu* account = menuBar()->addMenu(QStringLiteral("&Account"));
  account->setObjectName(QStringLiteral("mAccount"));
  account->addActions({actions_.newAccount, actions_.deleteAccount, actions_.info});
  account->addSeparator();
  account->addActions({actions_.balance, actions_.updateAll, actions_.spend, actions_.viewHistory});
  account->addSeparator();
  account->addActions({actions_.importAccounts, actions_.exportAccounts});
  account->addSeparator();
  account->addAction(actions_.exit);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  edit->setObjectName(QStringLiteral("mEdit"));
  edit->addAction(actions_.copyNumber);
  edit->addSeparator();
  edit->addActions({actions_.moveUp, actions_.moveDown});
  edit->addSeparator();
  edit->addAction(actions_.preferences);

  QMenu* contacts = menuBar()->addMenu(QStringLiteral("&Contacts"));
  contacts->setObjectName(QStringLiteral("mContacts"));
  contacts->addActions({actions_.newContact, actions_.editContact, actions_.deleteContact});

  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  view->setObjectName(QStringLiteral("mView"));
  view->addActions(actions_.viewTabs);

  QMenu* help = menuBar()->addMenu(QStringLiteral("&?"));
  help->setObjectName(QStringLiteral("mHelp"));
  help->addActions({actions_.help, actions_.webSite});
  help->addSeparator();
  help->addAction(actions_.about);
}

void MainWindow::ConnectActions() {
  connect(actions_.newAccount, &QAction::triggered, this, &MainWindow::OnNewAccount);
  connect(actions_.deleteAccount, &QAction::triggered, this, &MainWindow::OnDeleteAccount);
  connect(actions_.info, &QAction::triggered, this, &MainWindow::OnAccountInfo);
  connect(actions_.balance, &QAction::triggered, this, [this] { refresh_->Request(AccountOfRow(-1)); });
  connect(actions_.updateAll, &QAction::triggered, refresh_, &RefreshScheduler::UpdateAll);
  connect(actions_.spend, &QAction::triggered, this, [this] { OpenPaymentLink(std::string()); });
  connect(actions_.viewHistory, &QAction::triggered, this, [this] {
    const int position = AccountOfRow(-1);
    if (position < 0) return;
    const AccountRecord copy = model_.Account(position);
    if (services_)
      services_->OpenHistory(copy);
    else
      LogLine("History of " + AccountLabel(copy) + " requested; the history download is not available yet.");
  });
  connect(actions_.copyNumber, &QAction::triggered, this, &MainWindow::OnCopyNumber);
  connect(actions_.moveUp, &QAction::triggered, this, [this] { OnMove(true); });
  connect(actions_.moveDown, &QAction::triggered, this, [this] { OnMove(false); });
  connect(actions_.preferences, &QAction::triggered, this, &MainWindow::ShowPreferences);
  connect(actions_.exit, &QAction::triggered, this, &QWidget::close);
  for (QAction* item : actions_.viewTabs)
    connect(item, &QAction::toggled, item, [item] { item->setChecked(true); });
  connect(actions_.help, &QAction::triggered, this,
          [this] { OpenWebAddress(QUrl(FromLatin1(VendorBaseUrl() + "/help/"))); });
  connect(actions_.webSite, &QAction::triggered, this,
          [this] { OpenWebAddress(QUrl(FromLatin1(VendorBaseUrl() + "/"))); });
  connect(actions_.about, &QAction::triggered, this, [this] {
    Boxes().Show(this, MessageIcon::Information,
                 QStringLiteral("Nummora " NUMMORA_VERSION
                                "\nDesktop wallet for e-gold and Liberty Reserve accounts."));
  });
  ConnectTransfer();

  connect(accountsPage_, &AccountsPage::SelectionChanged, this, &MainWindow::SelectionChanged);
  connect(accountsPage_, &AccountsPage::RowActivated, this, [this] {
    if (model_.SelectedRow() >= 0) OpenPaymentLink(std::string());
  });
}

// The commands are enabled by what they act on: the selection, the rows of the list, the
// current tab and the refreshes that run. Each of these tells when it changes.
void MainWindow::ConnectCommandUpdates() {
  connect(pages_, &QTabWidget::currentChanged, this, &MainWindow::UpdateActions);
  QAbstractItemModel* rows = accountsPage_->Rows();
  connect(rows, &QAbstractItemModel::rowsInserted, this, &MainWindow::UpdateActions);
  connect(rows, &QAbstractItemModel::rowsRemoved, this, &MainWindow::UpdateActions);
  connect(rows, &QAbstractItemModel::modelReset, this, &MainWindow::UpdateActions);
  connect(this, &MainWindow::RefreshStateChanged, this, &MainWindow::UpdateActions);
  connect(pages_, &QTabWidget::currentChanged, this, &MainWindow::UpdateContactActions);
}

void MainWindow::SelectionChanged(int row) {
  // Losing the selection changes nothing on screen; only the commands follow it.
  if (row >= 0) ShowActiveAccount(row);
  UpdateActions();
}

void MainWindow::UpdateActions() {
  const AccountActionStates s = ComputeAccountActionStates(model_, pages_->currentWidget() == accountsPage_);
  actions_.newAccount->setEnabled(s.newAccount);
  actions_.deleteAccount->setEnabled(s.deleteAccount);
  actions_.info->setEnabled(s.info);
  actions_.balance->setEnabled(s.balance);
  actions_.updateAll->setEnabled(s.updateAll);
  actions_.spend->setEnabled(s.spend);
  actions_.viewHistory->setEnabled(s.viewHistory);
  actions_.copyNumber->setEnabled(s.copyNumber);
  actions_.moveUp->setEnabled(s.moveUp);
  actions_.moveDown->setEnabled(s.moveDown);
}

void MainWindow::ShowTitle() {
  setWindowTitle(QStringLiteral("Nummora ver " NUMMORA_VERSION " [") + FromLatin1(profileName_) +
                 QStringLiteral("]"));
  // The application title goes to the taskbar entry's class name only: a display name set on
  // the application would be appended to every window title on this platform.
  applicationTitle_ = QStringLiteral("Nummora " NUMMORA_VERSION);
}

void MainWindow::ShowRates(const RatesState& rates) {
  accountsPage_->ShowRates(rates);
}

void MainWindow::ChangeAccount(int position, const std::function<void(AccountRecord&)>& change,
                               bool rowShowsIt) {
  if (!model_.IsValidPosition(position)) return;
  change(model_.Account(position));
  if (!rowShowsIt) return;
  const int row = model_.RowOfAccount(position);
  if (row >= 0) accountsPage_->ShowRow(row);
}

void MainWindow::KeepPassPhrase(int position, const std::string& passPhrase) {
  ChangeAccount(
      position,
      [&passPhrase](AccountRecord& entry) {
        SecureWipe(entry.Password);
        entry.Password = passPhrase;
      },
      false);
}

void MainWindow::StoreBalances(int position, const AccountBalances& balances) {
  ChangeAccount(
      position, [&balances](AccountRecord& entry) { nummora::StoreBalances(balances, entry); }, true);
}

void MainWindow::StoreStatus(int position, uint8_t status, std::optional<TDateTime> updated) {
  ChangeAccount(
      position,
      [status, updated](AccountRecord& entry) {
        entry.Status = status;
        if (updated) entry.Updated = *updated;
      },
      updated.has_value());
}

void MainWindow::EndRefresh(int position) {
  refresh_->End(position);
}

void MainWindow::StoreRates(const std::string& answer, TDateTime received) {
  model_.SetRatesText(answer);  // an answer holding tags is not kept
  model_.RatesTime = received;
}

void MainWindow::ShowActiveAccount(int row) {
  std::string caption;
  const bool exists = row >= 0 && row < accountsPage_->RowCount();
  if (exists) caption = ToLatin1(accountsPage_->Caption(row));
  panelActive_->setText(FromLatin1(ActiveAccountText(exists ? &caption : nullptr)));
}

void MainWindow::DispatchRefresh(int position) {
  if (isSignalConnected(QMetaMethod::fromSignal(&MainWindow::BalanceRequested))) {
    emit BalanceRequested(position);  // the balance worker ends the refresh
    return;
  }
  // No balance worker is plugged in: the request ends at once, balances and Updated unchanged.
  LogLine(TimeToStr(Now(), regional_) + ": no balance worker for " + AccountLabel(model_.Account(position)));
  QMetaObject::invokeMethod(
      this, [this, position] { EndRefresh(position); }, Qt::QueuedConnection);
}

void MainWindow::Notify(NotifyKind kind, const std::string& title, bool asDialog, const std::string& text) {
  notifier_->Notify(kind, title, asDialog, text);
}

HotkeyManager* MainWindow::Hotkeys() const {
  return &notifier_->Hotkeys();
}

void MainWindow::RequestRates() {
  if (services_) services_->RequestRates();
}

void MainWindow::LogLine(const std::string& line) {
  events_->AddLine(line);
}
void MainWindow::LogError(const std::string& message) {
  events_->AddLine(message);
}

bool MainWindow::SessionEnding(std::string* error) {
  std::string reason;
  if (session_.Save(&reason)) return true;
  LogError(reason);
  if (error) *error = reason;
  return false;
}

void MainWindow::NoteProfileProtection() {
  if (!session_.WeaklyProtected()) return;
  const std::string text =
      "This profile has only the old 40-bit protection, which does not hold against a stolen disk. "
      "Protect it with strong encryption on the Security page of Preferences.";
  LogLine(text);
  Notify(NotifyKind::Warning, "Profile protection", false, text);
}

bool MainWindow::LoadProfile() {
  std::string error;
  const std::optional<std::vector<int>> refresh = session_.Load(&error);
  if (!refresh) {
    LogError(error);
    return false;
  }
  accountsPage_->ShowAllRows();
  ShowContacts();
  for (int position : *refresh) refresh_->Request(position);
  RequestRates();
  notifier_->Reveal();
  directory_->ShowDirectory(0);
  pages_->setCurrentWidget(accountsPage_);
  ShowActiveAccount(-1);
  if (model_.RowCount() == 1) {
    accountsPage_->SelectRow(0);
  } else if (model_.RowCount() > 1) {
    const int row = model_.RowOfAccount(session_.Settings().defaultAccount);
    if (row >= 0) accountsPage_->SelectRow(row);
  }
  return true;
}

bool MainWindow::event(QEvent* e) {
  if (e->type() == QEvent::StatusTip) {
    panelHint_->setText(static_cast<QStatusTipEvent*>(e)->tip());
    return true;
  }
  return QMainWindow::event(e);
}

void MainWindow::ShowProxyIndicator(const ProxySettings& proxy) {
  model_.Proxy = proxy;
  const QIcon icon = style()->standardIcon(QStyle::SP_DriveNetIcon);
  panelProxy_->setPixmap(icon.pixmap(QSize(20, 17), proxy.UseProxy ? QIcon::Normal : QIcon::Disabled));
  panelProxy_->setToolTip(proxy.UseProxy ? QStringLiteral("Current proxy: ") + FromLatin1(proxy.ProxyHost) +
                                               QStringLiteral(":") + QString::number(proxy.ProxyPort)
                                         : QString());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
  if (watched == panelProxy_) {
    if (e->type() == QEvent::ToolTip) return true;  // the balloon below stands in for the tool tip
    if (e->type() == QEvent::Enter) {
      proxyBalloon_->ShowAt(panelProxy_, BalloonTip::Icon::Information, QStringLiteral("Proxy"),
                            panelProxy_->toolTip(), 500);
      return false;
    }
    if (e->type() == QEvent::MouseButtonRelease) {
      ShowConnectionPreferences();
      return true;
    }
  }
  if (e->type() == QEvent::MouseButtonRelease &&
      (watched == statusBar() || watched == panelActive_ || watched == panelHint_)) {
    events_->ShowEvents();
    return true;
  }
  return QMainWindow::eventFilter(watched, e);
}

void MainWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  notifier_->WindowShown();
  if (firstShowDone_) return;
  firstShowDone_ = true;
  LoadProfile();
  ShowTitle();
  if (commandLineLink_) OpenPaymentLink(*commandLineLink_);
  refresh_->Start();
}

void MainWindow::closeEvent(QCloseEvent* e) {
  if (closing_) {
    e->accept();
    return;
  }
  if (store_) {
    SaveLayout();
    try {
      store_->SetRootKey(RootKey::LocalMachine);
      if (store_->OpenKey(ProfileKeyPath(profileName_), false))
        store_->WriteBool(settings::kMetals.name, accountsPage_->MetalsShown());
    } catch (const std::exception&) {
      // The profile is saved even when this fails.
    }
  }
  std::string error;
  if (!session_.Save(&error)) {
    // Closing would lose every change of this run: say so and let the user decide.
    if (!Boxes().Ask(this, QStringLiteral("The profile could not be saved:\n") + FromLatin1(error) +
                               QStringLiteral("\n\nClose without saving?"))) {
      e->ignore();
      return;
    }
  }
  closing_ = true;
  refresh_->Stop();
  instanceLinks_->Stop();
  events_->hide();
  e->accept();
  emit Closed();
}

void MainWindow::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() == QEvent::WindowStateChange && isMinimized() && notifier_) notifier_->WindowMinimized();
}

}  // namespace nummora
