// The main window's "Gold directory" tab and the web addresses it opens in the browser: the
// directory's sites, the sign-up links of the account editor, help and the vendor's web site.
#include <QDesktopServices>
#include <QUrl>
#include <QVBoxLayout>

#include "app/main_window.h"
#include "directory/directory_tab.h"
#include "net/vendor_urls.h"
#include "platform/paths.h"
#include "ui/events_window.h"
#include "ui/latin1.h"

namespace nummora {

void MainWindow::BuildDirectoryTab(QWidget* page) {
  DirectoryTabSetup setup;
  try {
    setup.folder = CacheFolder(false);
  } catch (const std::exception& e) {
    // Without a home folder there is nowhere to keep the directory; downloads then fail and say so.
    setup.folder = std::filesystem::path();
  }
  setup.vendorBase = [] { return VendorBaseUrl(); };
  setup.proxy = [this] { return model_.Proxy; };
  setup.log = [this](const std::string& title, const std::string& text) { events_->AddEntry(title, text); };
  setup.openUrl = [this](const QUrl& url) { return OpenWebAddress(url); };
  directory_ = new DirectoryTab(std::move(setup), page);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(directory_);
}

bool MainWindow::OpenWebAddress(const QUrl& url) {
  const bool opened = openUrl_ ? openUrl_(url) : QDesktopServices::openUrl(url);
  if (!opened) events_->AddLine("The web browser could not be started to open " + ToLatin1(url.toString()));
  return opened;
}

const std::string& MainWindow::DirectoryReferral() const {
  return directory_->Referral();
}

}  // namespace nummora
