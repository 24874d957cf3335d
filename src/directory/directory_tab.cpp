#include "directory/directory_tab.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QListView>
#include <QMouseEvent>
#include <QPixmap>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <system_error>

#include "directory/directory_document.h"
#include "directory/directory_files.h"
#include "directory/picture_strip.h"
#include "ui/latin1.h"
#include "ui/layout_scale.h"

namespace nummora {

namespace {

constexpr int kNumberRole = Qt::UserRole;

QIcon IconOf(const RgbaImage& picture) {
  QImage image(picture.width, picture.height, QImage::Format_ARGB32);
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) image.setPixel(x, y, picture.At(x, y));
  return QIcon(QPixmap::fromImage(image));
}

// The icons of a strip file; a file that does not hold a readable strip is deleted, so that
// the next freshness check fetches it again.
std::vector<QIcon> LoadStrip(const std::filesystem::path& file, int size) {
  std::vector<QIcon> icons;
  const std::optional<RgbaImage> bitmap = ReadBitmap(ReadWholeFile(file));
  const auto pictures = bitmap ? SplitStrip(*bitmap, size) : std::nullopt;
  if (!pictures) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
    return icons;
  }
  for (const RgbaImage& picture : *pictures) icons.push_back(IconOf(picture));
  return icons;
}

}  // namespace

DirectoryTab::DirectoryTab(DirectoryTabSetup setup, QWidget* parent)
    : QWidget(parent), setup_(std::move(setup)), model_(new QStandardItemModel(this)) {
  setObjectName(QStringLiteral("DirectoryTab"));
  if (!setup_.now) setup_.now = [] { return std::filesystem::file_time_type::clock::now(); };

  homeAction_ = new QAction(QStringLiteral("&Home"), this);
  homeAction_->setObjectName(QStringLiteral("DirHome"));
  homeAction_->setStatusTip(QStringLiteral("Directory home"));
  refreshAction_ = new QAction(QStringLiteral("&Refresh"), this);
  refreshAction_->setObjectName(QStringLiteral("DirRefresh"));
  refreshAction_->setStatusTip(QStringLiteral("Reload directory from server"));
  refreshAction_->setToolTip(QStringLiteral("Reload directory from server"));
  openAction_ = new QAction(QStringLiteral("Open"), this);
  openAction_->setObjectName(QStringLiteral("DirOpen"));
  connect(homeAction_, &QAction::triggered, this, [this] { ShowDirectory(0); });
  connect(refreshAction_, &QAction::triggered, this, &DirectoryTab::StartDownload);
  connect(openAction_, &QAction::triggered, this, &DirectoryTab::OnOpenEntry);

  BuildViews();
  UpdateActions();
}

DirectoryTab::~DirectoryTab() {
  if (worker_) worker_->Abandon();
}

void DirectoryTab::BuildViews() {
  auto* toolbar = new QToolBar(this);
  toolbar->setObjectName(QStringLiteral("DirToolBar"));
  toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  toolbar->addActions({homeAction_, refreshAction_});

  const LayoutScale scale = LayoutScale::ForApplication();
  model_->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Description")});
  icons_ = new QListView;
  icons_->setObjectName(QStringLiteral("DirLIcons"));
  icons_->setViewMode(QListView::IconMode);
  icons_->setResizeMode(QListView::Adjust);
  icons_->setMovement(QListView::Static);
  icons_->setWordWrap(true);
  icons_->setIconSize(QSize(kCategoryIconSize, kCategoryIconSize));
  icons_->setGridSize(QSize(scale.X(110), kCategoryIconSize + scale.Y(40)));
  icons_->setModel(model_);
  report_ = new QTreeView;
  report_->setObjectName(QStringLiteral("DirLReport"));
  report_->setRootIsDecorated(false);
  report_->setUniformRowHeights(true);
  report_->setIconSize(QSize(kSiteIconSize, kSiteIconSize));
  report_->setModel(model_);
  report_->setColumnWidth(0, scale.X(170));
  report_->setColumnWidth(1, scale.X(240));
  for (QAbstractItemView* view :
       {static_cast<QAbstractItemView*>(icons_), static_cast<QAbstractItemView*>(report_)}) {
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setMouseTracking(true);
    view->viewport()->installEventFilter(this);
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
    view->addAction(openAction_);
    connect(view, &QAbstractItemView::clicked, this, &DirectoryTab::ItemClicked);
    connect(view, &QAbstractItemView::doubleClicked, this, &DirectoryTab::ItemClicked);
    connect(view, &QAbstractItemView::activated, this, &DirectoryTab::ItemClicked);
  }
  dirList_ = new QStackedWidget(this);
  dirList_->setObjectName(QStringLiteral("DirL"));
  dirList_->addWidget(icons_);
  dirList_->addWidget(report_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  layout->addWidget(toolbar);
  layout->addWidget(dirList_, 1);
}

bool DirectoryTab::eventFilter(QObject* watched, QEvent* event) {
  // Items are links: the hand pointer shows over them, the arrow elsewhere.
  if (event->type() == QEvent::MouseMove) {
    auto* viewport = static_cast<QWidget*>(watched);
    QAbstractItemView* view = viewport == icons_->viewport() ? static_cast<QAbstractItemView*>(icons_)
                                                             : static_cast<QAbstractItemView*>(report_);
    const bool over = view->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()).isValid();
    viewport->setCursor(over ? Qt::PointingHandCursor : Qt::ArrowCursor);
  }
  return QWidget::eventFilter(watched, event);
}

QAbstractItemView* DirectoryTab::CurrentView() const {
  return ReportView() ? static_cast<QAbstractItemView*>(report_) : static_cast<QAbstractItemView*>(icons_);
}

bool DirectoryTab::ReportView() const {
  return dirList_->currentWidget() == report_;
}

void DirectoryTab::UpdateActions() {
  homeAction_->setEnabled(ReportView());
}

void DirectoryTab::Log(const std::string& text) {
  if (setup_.log) setup_.log("Catalog", text);
}

void DirectoryTab::ShowDirectory(std::optional<int> category) {
  if (setup_.folder.empty()) return;  // no cache folder (no home folder): nothing to show
  if (category) {
    category_ = *category;
    if (!DirectoryIsFresh(setup_.folder, setup_.now())) StartDownload();
  }
  if (Downloading()) return;  // the display follows when the download ends
  if (categoryIcons_.empty() || siteIcons_.empty()) LoadPictures();
  Fill();
}

void DirectoryTab::LoadPictures() {
  categoryIcons_ = LoadStrip(setup_.folder / kCategoryStrip, kCategoryIconSize);
  siteIcons_ = LoadStrip(setup_.folder / kSiteStrip, kSiteIconSize);
}

void DirectoryTab::Fill() {
  model_->removeRows(0, model_->rowCount());
  const bool categories = category_ == 0;
  dirList_->setCurrentWidget(categories ? static_cast<QWidget*>(icons_) : static_cast<QWidget*>(report_));
  const DirectoryListing listing =
      ReadDirectory(ReadWholeFile(setup_.folder / kDirectoryDocument), category_);
  referral_ = listing.referral;
  const std::vector<QIcon>& pictures = categories ? categoryIcons_ : siteIcons_;
  for (const DirectoryItem& entry : listing.items) {
    auto* name = new QStandardItem(FromLatin1(entry.caption));
    QFont font = name->font();
    font.setUnderline(true);
    name->setFont(font);
    name->setData(entry.number, kNumberRole);
    name->setToolTip(FromLatin1(entry.description.empty() ? entry.caption : entry.description));
    if (entry.icon >= 0 && static_cast<size_t>(entry.icon) < pictures.size())
      name->setIcon(pictures[entry.icon]);
    auto* description = new QStandardItem(FromLatin1(entry.description));
    description->setData(entry.number, kNumberRole);
    model_->appendRow({name, description});
  }
  if (!listing.problem.empty()) Log(listing.problem);
  UpdateActions();
}

void DirectoryTab::StartDownload() {
  if (!worker_) {
    worker_ = new CatalogWorker(
        [this](const std::string& title, const std::string& text) {
          if (setup_.log) setup_.log(title, text);
        },
        this);
    connect(worker_, &CatalogWorker::DownloadEnded, this, [this](bool fetched) {
      ShowDirectory(std::nullopt);
      emit DownloadFinished(fetched);
    });
  }
  CatalogSetup download;
  download.vendorBase = setup_.vendorBase ? setup_.vendorBase() : std::string();
  download.folder = setup_.folder;
  if (setup_.proxy) download.proxy = setup_.proxy();
  worker_->StartDownload(download);
  UpdateActions();
}

void DirectoryTab::ItemClicked(const QModelIndex& index) {
  // A click, a double-click and an activation of one item open it once: the rest of a
  // double-click that opened a category would otherwise land on the new view.
  if (sinceOpen_.isValid() && sinceOpen_.elapsed() < QApplication::doubleClickInterval()) return;
  if (!index.isValid()) return;
  CurrentView()->setCurrentIndex(index);
  OnOpenEntry();
}

void DirectoryTab::OnOpenEntry() {
  QAbstractItemView* view = CurrentView();
  const QModelIndex current = view->currentIndex();
  if (!current.isValid() || !view->selectionModel()->isSelected(current)) return;
  const int number = current.data(kNumberRole).toInt();
  sinceOpen_.start();
  if (!ReportView()) {
    ShowDirectory(number);
    return;
  }
  const std::string url =
      (setup_.vendorBase ? setup_.vendorBase() : std::string()) + "/r/?" + std::to_string(number);
  // The opener reports a browser that did not start.
  if (setup_.openUrl) setup_.openUrl(QUrl(FromLatin1(url)));
}

}  // namespace nummora
