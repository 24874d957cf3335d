#include "history/history_download_dialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/account_label.h"
#include "common/secure_memory.h"
#include "history/history_request.h"
#include "history/history_viewer.h"
#include "net/egold.h"
#include "net/liberty_reserve.h"
#include "ui/edit_menu.h"
#include "ui/latin1.h"
#include "ui/layout_scale.h"
#include "ui/message_box.h"

namespace nummora {

namespace {

TDateTime FromQDate(const QDate& date) {
  TDateTime value = 0;
  TryEncodeDate(date.year(), date.month(), date.day(), value);
  return value;
}

QCheckBox* NewCheck(const char* name, const char* caption, bool ticked, QWidget* parent) {
  auto* box = new QCheckBox(QString::fromLatin1(caption), parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setChecked(ticked);
  return box;
}

QLineEdit* NewEdit(const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  InstallEditMenu(edit);
  return edit;
}

QDateEdit* NewDate(const char* name, QWidget* parent) {
  auto* date = new QDateEdit(parent);
  date->setObjectName(QString::fromLatin1(name));
  date->setCalendarPopup(true);
  date->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
  return date;
}

}  // namespace

HistoryDownloadDialog::HistoryDownloadDialog(const AccountRecord& account, HistoryServices services,
                                             QWidget* parent)
    : QDialog(parent), account_(account), services_(std::move(services)), host_(services_.host) {
  setObjectName(QStringLiteral("fUpdate"));
  setAttribute(Qt::WA_DeleteOnClose);
  if (services_.stayOnTop) setWindowFlag(Qt::WindowStaysOnTopHint, true);
  BuildWindow();
}

HistoryDownloadDialog::~HistoryDownloadDialog() {
  SecureWipe(account_.Password);
  SecureWipe(requestPrefix_);
}

void HistoryDownloadDialog::BuildWindow() {
  const LayoutScale scale = LayoutScale::ForApplication();
  panel_ = new QWidget(this);
  panel_->setObjectName(QStringLiteral("pInputs"));
  auto* grid = new QGridLayout(panel_);

  dateFrom_ = NewDate("DateFrom", panel_);
  dateTo_ = NewDate("DateTo", panel_);
  auto* lFrom = new QLabel(QStringLiteral("&Starting date:"), panel_);
  lFrom->setBuddy(dateFrom_);
  auto* lTo = new QLabel(QStringLiteral("&Ending date:"), panel_);
  lTo->setBuddy(dateTo_);
  grid->addWidget(lFrom, 0, 0);
  grid->addWidget(dateFrom_, 0, 1);
  grid->addWidget(lTo, 1, 0);
  grid->addWidget(dateTo_, 1, 1);
  BuildKindChecks(grid);
  BuildMatchEdits(grid);
  BuildButtons(scale);
}

void HistoryDownloadDialog::BuildKindChecks(QGridLayout* grid) {
  chkReceived_ = NewCheck("chkReceived", "Payments received", true, panel_);
  chkMade_ = NewCheck("chkMade", "Payments made", true, panel_);
  chkInExch_ = NewCheck("chkInExch", "Fulfilled InExchanges", false, panel_);
  chkOutExch_ = NewCheck("chkOutExch", "Out Exchanges", false, panel_);
  chkRedemptions_ = NewCheck("chkRedemptions", "Redemptions", false, panel_);
  chkBailments_ = NewCheck("chkBailments", "Bailments", false, panel_);
  chkFees_ = NewCheck("chkFees", "Fees", false, panel_);
  chkIncentive_ = NewCheck("chkIncentive", "Incentive Payments", false, panel_);
  QCheckBox* boxes[] = {chkReceived_,    chkMade_,      chkInExch_, chkOutExch_,
                        chkRedemptions_, chkBailments_, chkFees_,   chkIncentive_};
  for (int i = 0; i < 8; ++i) grid->addWidget(boxes[i], 2 + i % 4, i / 4 * 2, 1, 2);

  auto* bAll = new QPushButton(QStringLiteral("Select &All"), panel_);
  bAll->setObjectName(QStringLiteral("bSelectAll"));
  bAll->setAutoDefault(false);
  auto* bNone = new QPushButton(QStringLiteral("&Unselect All"), panel_);
  bNone->setObjectName(QStringLiteral("bUnselectAll"));
  bNone->setAutoDefault(false);
  connect(bAll, &QPushButton::clicked, this, [this] { SetAll(true); });
  connect(bNone, &QPushButton::clicked, this, [this] { SetAll(false); });
  auto* selectRow = new QHBoxLayout;
  selectRow->addWidget(bAll);
  selectRow->addWidget(bNone);
  selectRow->addStretch(1);
  grid->addLayout(selectRow, 6, 0, 1, 4);
}

void HistoryDownloadDialog::BuildMatchEdits(QGridLayout* grid) {
  eBatch_ = NewEdit("eBatch", panel_);
  eRecipient_ = NewEdit("eRecipient", panel_);
  eMerchant_ = NewEdit("eMerchant", panel_);
  bSelect_ = new QToolButton(panel_);
  bSelect_->setObjectName(QStringLiteral("bSelect"));
  bSelect_->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
  bSelect_->setToolTip(QStringLiteral("Pick an account from the address book"));
  bSelect_->setEnabled(static_cast<bool>(services_.payments.pickRecipient));
  connect(bSelect_, &QToolButton::clicked, this, &HistoryDownloadDialog::OnSelectClicked);
  auto addEdit = [&](int row, const char* caption, QLineEdit* edit, QWidget* extra) {
    auto* label = new QLabel(QString::fromLatin1(caption), panel_);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    auto* line = new QHBoxLayout;
    line->addWidget(edit, 1);
    if (extra) line->addWidget(extra);
    grid->addLayout(line, row, 1, 1, 3);
  };
  addEdit(7, "and match Transaction #", eBatch_, nullptr);
  addEdit(8, "and match To\\From Account #", eRecipient_, bSelect_);
  addEdit(9, "and match Merchant #", eMerchant_, nullptr);
}

void HistoryDownloadDialog::BuildButtons(const LayoutScale& scale) {
  bDownload_ = new QPushButton(QStringLiteral("&Download"), this);
  bDownload_->setObjectName(QStringLiteral("bDownload"));
  bDownload_->setDefault(true);
  bCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
  bCancel_->setObjectName(QStringLiteral("bCancel"));
  bCancel_->setAutoDefault(false);
  connect(bDownload_, &QPushButton::clicked, this, &HistoryDownloadDialog::OnDownloadClicked);
  connect(bCancel_, &QPushButton::clicked, this, &QDialog::reject);
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("Prog"));
  progress_->setRange(0, 0);  // a marquee: the length of the download is not known
  progress_->setTextVisible(false);
  progress_->hide();

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(progress_, 1);
  buttons->addStretch(0);
  buttons->addWidget(bDownload_);
  buttons->addWidget(bCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panel_);
  layout->addLayout(buttons);
  setMinimumWidth(scale.X(380));
}

void HistoryDownloadDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (closed_) ResetForShow();
}

void HistoryDownloadDialog::ResetForShow() {
  closed_ = false;
  setWindowTitle(FromLatin1("History of " + AccountLabel(account_.Name, account_.ID)));
  const TDateTime today = Today();
  const DateTimeFields f = DecodeDateTime(today);
  dateFrom_->setDate(QDate(f.year, f.month, f.day));
  dateTo_->setDate(QDate(f.year, f.month, f.day));
}

void HistoryDownloadDialog::done(int result) {
  // Closing ends the dialog for good: a reply still on its way opens nothing, and the pass
  // phrase is needed no more (a viewer opened has its own copy).
  closed_ = true;
  if (worker_) worker_->RequestStop();
  SecureWipe(account_.Password);
  SecureWipe(requestPrefix_);
  QDialog::done(result);
}

HistoryFilters HistoryDownloadDialog::Filters() const {
  HistoryFilters f;
  f.from = FromQDate(dateFrom_->date());
  f.to = FromQDate(dateTo_->date());
  f.received = chkReceived_->isChecked();
  f.made = chkMade_->isChecked();
  f.inExchanges = chkInExch_->isChecked();
  f.outExchanges = chkOutExch_->isChecked();
  f.redemptions = chkRedemptions_->isChecked();
  f.bailments = chkBailments_->isChecked();
  f.fees = chkFees_->isChecked();
  f.incentives = chkIncentive_->isChecked();
  f.batch = ToLatin1(eBatch_->text());
  f.recipient = ToLatin1(eRecipient_->text());
  f.merchant = ToLatin1(eMerchant_->text());
  return f;
}

void HistoryDownloadDialog::SetAll(bool ticked) {
  for (QCheckBox* box : {chkReceived_, chkMade_, chkInExch_, chkOutExch_, chkRedemptions_, chkBailments_,
                         chkFees_, chkIncentive_})
    box->setChecked(ticked);
}

void HistoryDownloadDialog::SetDownloading(bool downloading) {
  downloading_ = downloading;
  panel_->setEnabled(!downloading);
  bDownload_->setVisible(!downloading);
  progress_->setVisible(downloading);
}

void HistoryDownloadDialog::OnSelectClicked() {
  if (!services_.payments.pickRecipient) return;
  const std::optional<std::string> picked = services_.payments.pickRecipient(this, account_.Type);
  if (picked) eRecipient_->setText(FromLatin1(*picked));
}

void HistoryDownloadDialog::OnDownloadClicked() {
  if (downloading_ || closed_) return;
  SetDownloading(true);
  if (!StartRequest()) SetDownloading(false);
}

bool HistoryDownloadDialog::StartRequest() {
  WorkerHost* host = host_.get();
  if (!host) return false;
  // The pass phrase (or the token made from it) goes into the request: ask for it first.
  if (AskAndKeepPassPhrase(*host, account_) == AskOutcome::Cancelled) return false;
  if (closed_) return false;  // closed while the prompt was open
  const HistoryFilters filters = Filters();
  std::string url;
  std::string form;
  if (account_.Type == AccountType::LibertyReserve) {
    requestPrefix_ = LRHistoryRequestPrefix(account_, filters, LRRequestId(), LocalToUtc(0));
    std::string request = LRHistoryPageRequest(requestPrefix_, 1);
    host->AddEventLine(MaskLRToken(request));
    url = services_.libertyReserve + kLRHistoryPath;
    form = LRFormBody(request);
    SecureWipe(request);
  } else {
    requestPrefix_.clear();
    url = services_.egoldSecure + kEgoldHistoryCsvPath + EgoldHistoryQuery(filters);
    form = EgoldLoginLine(account_);
  }
  worker_ = MakeRequestWorker(host);
  const bool started = worker_->Start(
      url, account_, form, this, [this](RequestWorker& worker) { Completed(worker); }, true);
  // The form holds the login line (e-gold) or the token (Liberty Reserve): the worker has its
  // copy and wipes it after sending.
  SecureWipe(form);
  return started;
}

void HistoryDownloadDialog::Completed(RequestWorker& worker) {
  if (closed_) return;
  const std::string message =
      HistoryReplyMessage(account_.Type, worker.Succeeded(), worker.Response(), account_.ID);
  if (!message.empty()) {
    BoxesOrSystem(services_.boxes).Error(this, FromLatin1(message));
    if (!closed_) SetDownloading(false);
    return;
  }
  OpenViewer(worker.Response());
}

void HistoryDownloadDialog::OpenViewer(const std::string& reply) {
  const HistoryFilters filters = Filters();
  WorkerHost* host = host_.get();
  const FormatSettings regional = host ? host->Regional() : UsEnglishFormatSettings();
  const std::string caption = "History of " + AccountLabel(account_.Name, account_.ID) + " from " +
                              DateToStr(filters.from, regional) + " to " + DateToStr(filters.to, regional);
  auto* viewer =
      new HistoryViewer(account_, reply, requestPrefix_, DateOf(filters.to), FromLatin1(caption), services_);
  emit ViewerOpened(viewer);
  viewer->show();
  close();
}

}  // namespace nummora
