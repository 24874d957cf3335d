#pragma once
// The "Gold directory" tab: the merchant directory as a page of category icons and, for a
// chosen category, a list of its web sites with name and description. The document and the
// two picture strips live in the cache folder and are downloaded again (CatalogWorker) when they
// are older than six days or on "&Refresh". Opening a site goes through the vendor's redirect
// link in the user's browser.
#include <QElapsedTimer>
#include <QIcon>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "directory/catalog_worker.h"

class QAbstractItemView;
class QAction;
class QListView;
class QModelIndex;
class QStackedWidget;
class QStandardItemModel;
class QTreeView;
class QUrl;

namespace nummora {

// What the tab takes from the program.
struct DirectoryTabSetup {
  std::filesystem::path folder;             // where the three files are kept
  std::function<std::string()> vendorBase;  // "http://host:port" of the vendor's service
  std::function<ProxySettings()> proxy;     // the proxy settings of the moment
  std::function<void(const std::string& title, const std::string& text)> log;  // events list
  std::function<bool(const QUrl&)> openUrl;  // the browser (reports its own failure)
  // The time the freshness check compares the document's file time with.
  std::function<std::filesystem::file_time_type()> now;
};

class DirectoryTab : public QWidget {
  Q_OBJECT
 public:
  explicit DirectoryTab(DirectoryTabSetup setup, QWidget* parent = nullptr);
  ~DirectoryTab() override;

  // Shows category `category` (0: the category page) after the freshness check; nothing keeps
  // the current category and skips the check.
  void ShowDirectory(std::optional<int> category);
  // Starts a download unless one runs.
  void StartDownload();
  // The "egold" element of the document last shown (empty before).
  const std::string& Referral() const { return referral_; }
  int Category() const { return category_; }
  bool Downloading() const { return worker_ && worker_->Busy(); }

 signals:
  // A download ended and the directory has been shown again.
  void DownloadFinished(bool documentFetched);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAction* homeAction_ = nullptr;     // "DirHome"
  QAction* refreshAction_ = nullptr;  // "DirRefresh"
  QAction* openAction_ = nullptr;     // "DirOpen"
  void BuildViews();
  void LoadPictures();
  void Fill();
  void OnOpenEntry();
  void ItemClicked(const QModelIndex& index);
  void UpdateActions();
  bool ReportView() const;
  QAbstractItemView* CurrentView() const;
  void Log(const std::string& text);

  DirectoryTabSetup setup_;
  CatalogWorker* worker_ = nullptr;
  int category_ = 0;
  std::string referral_;
  std::vector<QIcon> categoryIcons_;
  std::vector<QIcon> siteIcons_;
  QStandardItemModel* model_;
  QStackedWidget* dirList_ = nullptr;
  QListView* icons_ = nullptr;
  QTreeView* report_ = nullptr;
  QElapsedTimer sinceOpen_;  // since an item was last opened
};

}  // namespace nummora
