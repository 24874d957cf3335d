#include "history/history_viewer.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <algorithm>

#include "common/number_text.h"
#include "common/secure_memory.h"
#include "history/egold_history.h"
#include "history/history_list_model.h"
#include "history/history_printer.h"
#include "history/history_request.h"
#include "history/lr_history.h"
#include "net/liberty_reserve.h"
#include "platform/atomic_file.h"
#include "ui/latin1.h"
#include "ui/layout_scale.h"
#include "ui/message_box.h"

namespace nummora {

namespace {

// How long one slice of reading may hold the main thread before the window may paint.
constexpr int kSliceMilliseconds = 12;
constexpr std::size_t kRowsPerStep = 256;
// While a long history is read, the rows read are listed each time they have grown to this many
// times the rows listed: each listing lays out and paints the list again, so a history is
// listed a few times (growing with the logarithm of its length), not after every slice.
constexpr std::size_t kListingGrowth = 4;

constexpr int kColumnWidths[kHistoryShownCells] = {81, 120, 49, 180, 80, 50, 250, 100};

QString AskSaveFileDefault(QWidget* owner) {
  QFileDialog dialog(owner, QStringLiteral("Save history"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QStringLiteral("csv"));
  dialog.setNameFilters({QStringLiteral("CSV files (*.csv)"), QStringLiteral("All files (*)")});
  // The dialog asks before an existing file is replaced (the confirmation is on by default).
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().constFirst();
}

// The file the print dialog offers for printing to a PDF file: the job's whole title (the
// dialog itself would cut it at its last dot, the dot of the version, and take the slashes of
// the dates for folders), in the home folder.
QString PrintFileName(const QString& docName) {
  QString name = docName;
  for (QChar& c : name)
    if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 32) c = QLatin1Char('-');
  return QDir::home().filePath(name + QStringLiteral(".pdf"));
}

bool AskPrinterDefault(QWidget* owner, QPrinter& printer) {
  QPrintDialog dialog(&printer, owner);
  // The file name box of Qt's own print dialog; a platform dialog without it keeps its own.
  if (auto* file = dialog.findChild<QLineEdit*>(QStringLiteral("filename"));
      file && printer.outputFileName().isEmpty())
    file->setText(PrintFileName(printer.docName()));
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace

HistoryViewer::HistoryViewer(const AccountRecord& account, std::string reply, std::string requestPrefix,
                             TDateTime endDate, const QString& caption, HistoryServices services,
                             QWidget* parent)
    : QMainWindow(parent),
      account_(account),
      requestPrefix_(std::move(requestPrefix)),
      endDate_(endDate),
      caption_(caption),
      services_(std::move(services)),
      host_(services_.host) {
  setObjectName(QStringLiteral("fHistory"));
  setAttribute(Qt::WA_DeleteOnClose);
  if (services_.stayOnTop) setWindowFlag(Qt::WindowStaysOnTopHint, true);
  WorkerHost* host = host_.get();
  numberFormat_ = host ? host->NumberFormat() : MakeNumberFormat(UsEnglishFormatSettings());
  replies_.push_back(std::move(reply));
  // An e-gold history comes whole with the first reply: nothing more is asked for.
  if (account_.Type != AccountType::LibertyReserve) WipeSecrets();
  setWindowTitle(caption_);
  BuildWindow();
  if (services_.restoreLayout) widthsRestored_ = services_.restoreLayout(this, list_);
}

HistoryViewer::~HistoryViewer() {
  WipeSecrets();
}

void HistoryViewer::WipeSecrets() {
  SecureWipe(account_.Password);
  SecureWipe(requestPrefix_);
}

void HistoryViewer::BuildWindow() {
  const LayoutScale scale = LayoutScale::ForApplication();
  resize(scale.Size(1028, 669));
  model_ = new HistoryListModel(account_.Type, this);
  list_ = new QTableView(this);
  list_->setObjectName(QStringLiteral("List"));
  list_->setModel(model_);
  list_->setShowGrid(true);
  list_->setWordWrap(false);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->horizontalHeader()->setHighlightSections(false);
  list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list_->horizontalHeader()->setStretchLastSection(false);
  // Rows of one fixed height: a list of many thousand rows lays out in no time.
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + scale.Y(5));
  for (std::size_t column = 0; column < kHistoryShownCells; ++column)
    list_->setColumnWidth(int(column), scale.X(kColumnWidths[column]));
  // Fitting a column to its contents measures the rows in view only, not a thousand of them.
  list_->horizontalHeader()->setResizeContentsPrecision(0);
  // When the first rows arrive, a column too narrow for the rows in view (dates and batch
  // numbers in a larger desktop font) is widened once; later the user's widths stay, and so do
  // widths kept from the last viewer.
  connect(model_, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first) {
    if (first != 0 || widthsRestored_) return;
    QTimer::singleShot(0, this, [this] {
      for (int column = 0; column < model_->columnCount(); ++column) {
        const int before = list_->columnWidth(column);
        list_->resizeColumnToContents(column);  // measures the rows in view
        if (list_->columnWidth(column) < before) list_->setColumnWidth(column, before);
      }
    });
  });
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(list_, &QWidget::customContextMenuRequested, this, &HistoryViewer::ListContextMenu);
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &HistoryViewer::SelectionChanged);
  setCentralWidget(list_);

  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("Progress"));
  progress_->setMaximumWidth(scale.X(150));
  progress_->hide();
  statusBar()->setObjectName(QStringLiteral("StatusBar"));
  statusBar()->setSizeGripEnabled(true);
  AddPanel(QString(), scale.X(200));
  statusBar()->addWidget(progress_);
  AddPanel(QString(), scale.X(150));
  AddPanel(QString(), scale.X(50));
  BuildActions();
}

void HistoryViewer::BuildActions() {
  auto action = [this](const char* name, const char* caption, const char* hint, QStyle::StandardPixmap icon) {
    auto* a = new QAction(style()->standardIcon(icon), QString::fromLatin1(caption), this);
    a->setObjectName(QString::fromLatin1(name));
    // The hint is a tool tip only: a status-bar message would hide the totals and the progress.
    if (hint) a->setToolTip(QString::fromLatin1(hint));
    return a;
  };
  saveToFile_ = action("SaveToFile", "&Save to file", "Save history to file", QStyle::SP_DialogSaveButton);
  print_ = action("Print", "&Print", "Print history", QStyle::SP_FileIcon);
  emailDetails_ =
      action("EmailDetails", "Email details", "Email transaction details", QStyle::SP_MessageBoxInformation);
  addToAddressBook_ =
      action("AddToAddressBook", "&Add to address book", nullptr, QStyle::SP_FileDialogNewFolder);
  copyBatch_ = action("CopyBatch", "&Copy \"Batch\"", nullptr, QStyle::SP_CustomBase);
  copyAccount_ = action("CopyAccount", "&Copy \"Account #\"", nullptr, QStyle::SP_CustomBase);
  copyMemo_ = action("CopyMemo", "C&opy \"Memo\"", nullptr, QStyle::SP_CustomBase);
  copyMerchant_ = action("CopyMerchant", "Co&py \"Merchant\"", nullptr, QStyle::SP_CustomBase);
  for (QAction* copy : {copyBatch_, copyAccount_, copyMemo_, copyMerchant_}) copy->setIcon(QIcon());
  connect(saveToFile_, &QAction::triggered, this, &HistoryViewer::OnSave);
  connect(print_, &QAction::triggered, this, &HistoryViewer::OnPrint);
  connect(emailDetails_, &QAction::triggered, this, &HistoryViewer::OnEmail);
  connect(addToAddressBook_, &QAction::triggered, this, &HistoryViewer::OnAddContact);
  connect(copyBatch_, &QAction::triggered, this, [this] { CopyCell(kCellBatch); });
  connect(copyAccount_, &QAction::triggered, this, [this] { CopyCell(kCellHiddenAccount); });
  connect(copyMemo_, &QAction::triggered, this, [this] { CopyCell(kCellMemo); });
  connect(copyMerchant_, &QAction::triggered, this, [this] { CopyCell(kCellMerchant); });

  QToolBar* toolbar = addToolBar(QStringLiteral("History"));
  toolbar->setObjectName(QStringLiteral("ToolBar"));
  toolbar->setMovable(false);
  toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  toolbar->addAction(saveToFile_);
  toolbar->addAction(print_);
  toolbar->addSeparator();
  toolbar->addAction(emailDetails_);
  toolbar->addAction(addToAddressBook_);
  SelectionChanged();
}

void HistoryViewer::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    ResetForShow();
  }
}

void HistoryViewer::closeEvent(QCloseEvent* event) {
  // Closing ends the paging: the page under way is dropped when it arrives, none is asked for.
  closed_ = true;
  if (worker_) worker_->RequestStop();
  WipeSecrets();
  if (services_.saveLayout) services_.saveLayout(this, list_);
  QMainWindow::closeEvent(event);
}

void HistoryViewer::ResetForShow() {
  const bool empty = replies_.front().empty();
  saveToFile_->setEnabled(!empty);
  print_->setEnabled(!empty);
  if (empty) {
    SelectionChanged();
    Finish(false);
    return;
  }
  if (account_.Type == AccountType::LibertyReserve) {
    HandlePage(replies_.front(), true);
    return;
  }
  reader_ = std::make_unique<EgoldHistoryReader>(replies_.front(), numberFormat_);
  // The rows hold about the text of the reply, in lines of a hundred characters or more.
  model_->Growing().Reserve(replies_.front().size() / 100, replies_.front().size());
  ReadEgoldSlice();
}

// Reads e-gold rows for a short while and goes on in the next turn of the event loop, so that
// the window paints and answers between slices of a long history. The first rows are listed
// at once, later ones now and then and when all are read.
void HistoryViewer::ReadEgoldSlice() {
  if (closed_ || !reader_) return;
  QElapsedTimer clock;
  clock.start();
  const bool first = model_->Table().RowCount() == 0;
  while (!reader_->Done() && clock.elapsed() < kSliceMilliseconds)
    reader_->ReadSome(kRowsPerStep, model_->Growing());
  const std::size_t listed = static_cast<std::size_t>(model_->rowCount());
  if (first || reader_->Done() || model_->Table().RowCount() >= kListingGrowth * listed) model_->ListAdded();
  const EgoldHistory& summary = reader_->Summary();
  if (first && summary.lastBatch && services_.storeBatch)
    services_.storeBatch(account_.Index, *summary.lastBatch, endDate_);
  if (!reader_->Done()) {
    QTimer::singleShot(0, this, &HistoryViewer::ReadEgoldSlice);
    return;
  }
  ShowTotals();
  Finish(false);
}

void HistoryViewer::HandlePage(const std::string& page, bool first) {
  const LRHistoryPage read = ReadLRHistoryPage(page, numberFormat_);
  // The paging stops at a page in error, at a page sent again (which would keep it going for
  // ever and list rows twice) and at the limits of one history; the rows of a page within the
  // limits are listed before the message.
  const LRHistoryPaging::Step step = paging_.Take(read, page.size());
  if (step.list) {
    if (WorkerHost* host = host_.get()) host->AddEventLine(paging_.EventText(page));
    if (!first) replies_.push_back(page);  // every page listed is saved with the first
    model_->Append(read.rows);
  }
  if (!step.message.empty()) {
    BoxesOrSystem(services_.boxes).Error(this, FromLatin1(step.message));
    Finish(true);
    return;
  }
  if (paging_.MorePages()) {
    AskForPage(paging_.LastPage(), paging_.PageCount());
    return;
  }
  progress_->hide();
  ShowTotals();
  Finish(false);
}

void HistoryViewer::AskForPage(int page, int pageCount) {
  progress_->setMaximum(pageCount);
  progress_->setValue(page);
  progress_->show();
  if (!panels_.empty())
    panels_.front()->setText(QStringLiteral("Loading more transactions... (%1/%2)").arg(page).arg(pageCount));
  WorkerHost* host = host_.get();
  if (!host) return;
  const std::string request = LRHistoryPageRequest(requestPrefix_, page + 1);
  worker_ = MakeRequestWorker(host);
  const bool started = worker_->Start(
      services_.libertyReserve + kLRHistoryPath, account_, LRFormBody(request), this,
      [this](RequestWorker& worker) { PageArrived(worker); }, true);
  if (!started) {
    BoxesOrSystem(services_.boxes).Error(this, QStringLiteral("Unknown Error"));
    Finish(true);
    return;
  }
  host->AddEvent("Next request", MaskLRToken(request));
}

void HistoryViewer::PageArrived(RequestWorker& worker) {
  if (closed_) return;
  const std::string page = worker.Response();
  if (WorkerHost* host = host_.get()) host->AddEvent("Parsing...", paging_.EventText(page));
  HandlePage(page, false);
}

void HistoryViewer::ClearPanels() {
  for (QLabel* panel : panels_) {
    statusBar()->removeWidget(panel);
    delete panel;
  }
  panels_.clear();
}

void HistoryViewer::AddPanel(const QString& text, int width) {
  auto* panel = new QLabel(text, statusBar());
  panel->setObjectName(QStringLiteral("Panel%1").arg(panels_.size()));
  panel->setFixedWidth(width);
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setFrameShadow(QFrame::Sunken);
  statusBar()->addWidget(panel);
  panel->show();
  panels_.push_back(panel);
}

void HistoryViewer::ShowTotals() {
  ClearPanels();
  if (account_.Type != AccountType::Egold || !reader_) return;
  const LayoutScale scale = LayoutScale::ForApplication();
  const EgoldHistory& summary = reader_->Summary();
  for (const std::string& text : HistoryTotalTexts(summary.totals, numberFormat_))
    AddPanel(FromLatin1(text), scale.X(160));
  if (summary.amountsLeftOut > 0) {
    const QString note = summary.amountsLeftOut == 1
                             ? QStringLiteral("1 row left out of the totals: its amount is not a number")
                             : QStringLiteral("%1 rows left out of the totals: their amounts are not numbers")
                                   .arg(summary.amountsLeftOut);
    AddPanel(note, QFontMetrics(font()).horizontalAdvance(note) + scale.X(12));
  }
}

void HistoryViewer::Finish(bool failed) {
  // No further page is asked for: the pass phrase and the request with its token are done with.
  WipeSecrets();
  failed_ = failed;
  complete_ = !failed;
  emit Finished();
}

QStringList HistoryViewer::StatusTexts() const {
  QStringList texts;
  for (QLabel* panel : panels_) texts << panel->text();
  return texts;
}

int HistoryViewer::SelectedRow() const {
  const QModelIndexList rows = list_->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.constFirst().row();
}

std::string HistoryViewer::SelectedCell(std::size_t cell) const {
  const int row = SelectedRow();
  return row < 0 ? std::string() : std::string(model_->Table().Cell(std::size_t(row), cell));
}

void HistoryViewer::SelectionChanged() {
  const int row = SelectedRow();
  const HistoryTable& table = model_->Table();
  const bool made = row >= 0 && table.Cell(std::size_t(row), kCellType) == "Payment Made";
  emailDetails_->setEnabled(made && static_cast<bool>(services_.payments.emailNotice) &&
                            !replies_.front().empty());
  addToAddressBook_->setEnabled(row >= 0 && !table.Cell(std::size_t(row), kCellHiddenAccount).empty() &&
                                static_cast<bool>(services_.payments.addContact));
  for (QAction* copy : {copyBatch_, copyAccount_, copyMemo_, copyMerchant_}) copy->setEnabled(row >= 0);
}

void HistoryViewer::ListContextMenu(const QPoint& pos) {
  if (SelectedRow() < 0) return;
  QMenu menu(this);
  menu.addAction(addToAddressBook_);
  menu.addSeparator();
  menu.addActions({copyBatch_, copyAccount_, copyMemo_, copyMerchant_});
  menu.exec(list_->viewport()->mapToGlobal(pos));
}

void HistoryViewer::CopyCell(std::size_t cell) {
  const int row = SelectedRow();
  if (row < 0 || !model_->Table().HasCell(std::size_t(row), cell)) return;
  QApplication::clipboard()->setText(FromLatin1(std::string(model_->Table().Cell(std::size_t(row), cell))));
}

void HistoryViewer::OnEmail() {
  const int row = SelectedRow();
  if (row < 0 || !emailDetails_->isEnabled()) return;
  PaymentNotice notice;
  notice.type = AccountType::Egold;
  notice.sender = account_.ID;
  notice.recipient = SelectedCell(kCellToFrom);
  notice.amount = SelectedCell(kCellAmount) + " of " + SelectedCell(kCellUnit);
  notice.memo = SelectedCell(kCellMemo);
  notice.merchant = SelectedCell(kCellMerchant);
  notice.batch = SelectedCell(kCellBatch);
  services_.payments.emailNotice(this, notice, false);
}

void HistoryViewer::OnAddContact() {
  const int row = SelectedRow();
  if (row < 0 || !addToAddressBook_->isEnabled()) return;
  services_.payments.addContact(this, SelectedCell(kCellHiddenName), account_.Type,
                                SelectedCell(kCellHiddenAccount));
}

bool HistoryViewer::SaveTo(const QString& path, QString* error) const {
  try {
    WriteFileAtomically(path.toStdString(), HistoryFileText(replies_));
    return true;
  } catch (const std::exception& e) {
    if (error)
      *error = QStringLiteral("The history could not be saved to %1: %2")
                   .arg(path, QString::fromLocal8Bit(e.what()));
    return false;
  }
}

void HistoryViewer::OnSave() {
  const QString path = services_.askSaveFile ? services_.askSaveFile(this) : AskSaveFileDefault(this);
  if (path.isEmpty()) return;
  QString error;
  if (!SaveTo(path, &error)) BoxesOrSystem(services_.boxes).Error(this, error);
}

int HistoryViewer::PrintTo(QPagedPaintDevice& device) const {
  // The page layout keeps its own margins, measured from the edges of the paper.
  device.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
  HistoryPrintJob job;
  job.caption = caption_;
  job.captions = HistoryListModel::Captions(account_.Type);
  for (std::size_t column = 0; column < kHistoryShownCells; ++column)
    job.columnWidths << list_->columnWidth(int(column));
  job.rows = &model_->Table();
  return PrintHistory(device, job);
}

void HistoryViewer::OnPrint() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(services_.applicationTitle + QStringLiteral(" - ") + caption_);
  printer.setFullPage(true);
  const bool chosen =
      services_.askPrinter ? services_.askPrinter(this, printer) : AskPrinterDefault(this, printer);
  if (!chosen) return;
  if (PrintTo(printer) == 0)
    BoxesOrSystem(services_.boxes).Error(this, QStringLiteral("The history could not be printed."));
}

}  // namespace nummora
