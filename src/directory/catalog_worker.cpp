#include "directory/catalog_worker.h"

#include "directory/directory_files.h"
#include "net/worker_host.h"
#include "platform/paths.h"

namespace nummora {

namespace {
constexpr const char* kTitle = "Catalog";
}

CatalogWorker::CatalogWorker(std::function<void(const std::string&, const std::string&)> log,
                             QObject* logOwner)
    : log_(std::move(log)), logOwner_(logOwner) {
  connect(this, &QThread::finished, this, [this] {
    busy_ = false;
    if (logOwner_) emit DownloadEnded(documentFetched_);
  });
}

bool CatalogWorker::StartDownload(const CatalogSetup& setup) {
  if (busy_ || isRunning()) return false;
  busy_ = true;
  setup_ = setup;
  documentFetched_ = false;
  start();
  return true;
}

void CatalogWorker::Abandon() {
  logOwner_ = nullptr;
  disconnect(this, &CatalogWorker::DownloadEnded, nullptr, nullptr);
  if (isRunning())
    connect(this, &QThread::finished, this, &QObject::deleteLater);
  else
    delete this;
}

void CatalogWorker::Log(const std::string& text) {
  // The owner is read on the main thread only; once it has gone nothing is written.
  RunOnMainThread([this, &text] {
    if (logOwner_) log_(kTitle, text);
  });
}

void CatalogWorker::run() {
  try {
    CreatePrivateFolder(setup_.folder);
  } catch (const std::exception& e) {
    Log(e.what());
    return;
  }
  HttpClient client(setup_.transport);
  client.SetProxy(setup_.proxy);
  bool first = true;
  for (const DirectoryDownload& download : kDirectoryDownloads) {
    const std::string url = setup_.vendorBase + download.path;
    Log(url);
    const FetchResult fetched = FetchIntoFile(client, url, setup_.folder / download.file);
    if (!fetched.ok) Log(fetched.message);
    if (first) {
      // Without the document the download ends here; the strips alone show nothing.
      if (!fetched.ok) return;
      documentFetched_ = true;
      first = false;
    }
  }
}

}  // namespace nummora
