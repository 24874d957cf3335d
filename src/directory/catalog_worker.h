#pragma once
// CatalogWorker: the directory download on a worker thread. It fetches the directory document and
// the two picture strips from the vendor's web service into the cache folder, each into a new
// file that replaces the old one only when it arrived whole, and writes its progress into the
// events list under the title "Catalog". One worker per directory tab, started again for every
// download; a download asked for while one runs is not started.
#include <QPointer>
#include <QThread>
#include <atomic>
#include <filesystem>
#include <functional>
#include <string>

#include "net/http_client.h"
#include "net/live_workers.h"
#include "profile/model.h"

namespace nummora {

// What a download works with, copied on the main thread when it starts.
struct CatalogSetup {
  std::string vendorBase;  // "http://host:port" of the vendor's web service
  std::filesystem::path folder;
  ProxySettings proxy;
  HttpOptions transport;
};

class CatalogWorker : public QThread {
  Q_OBJECT
 public:
  // `log` writes an events-list entry; it is called on the main thread while `logOwner` exists.
  CatalogWorker(std::function<void(const std::string& title, const std::string& text)> log,
                QObject* logOwner);

  // Main thread. Starts a download unless one runs; returns whether it started.
  bool StartDownload(const CatalogSetup& setup);
  bool Busy() const { return busy_; }
  // Main thread: the owner goes. A finished worker is deleted at once, a running one when its
  // run is over; it writes nothing more.
  void Abandon();

 signals:
  // Main thread, after every download: whether the directory document arrived.
  void DownloadEnded(bool documentFetched);

 protected:
  void run() override;

 private:
  void Log(const std::string& text);

  std::function<void(const std::string&, const std::string&)> log_;
  QPointer<QObject> logOwner_;
  CatalogSetup setup_;
  bool busy_ = false;
  std::atomic<bool> documentFetched_{false};
  LiveWorker counted_;  // counted from creation to deletion
};

}  // namespace nummora
