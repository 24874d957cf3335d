// The main window's side of the history: the download dialog opened by "&View history..." and
// the account-table writes of the history viewers.
#include "app/main_window.h"
#include "history/history_download_dialog.h"
#include "net/server_config.h"
#include "preferences/layout_keeper.h"

namespace nummora {

void MainWindow::OpenHistoryDownload(const AccountRecord& account, WorkerHost* host,
                                     const ServerConfig& servers) {
  // Owned by the application, like the viewers it opens: it closes (and goes) by itself.
  auto* dialog = new HistoryDownloadDialog(account, HistoryServicesFor(account, host, servers));
  dialog->show();
}

HistoryServices MainWindow::HistoryServicesFor(const AccountRecord& account, WorkerHost* host,
                                               const ServerConfig& servers) {
  HistoryServices services;
  services.host = host;
  services.egoldSecure = servers.EgoldSecure;
  services.libertyReserve = servers.LibertyReserve;
  services.boxes = boxes_;
  services.stayOnTop = session_.Settings().onTop;
  services.applicationTitle = applicationTitle_;
  services.payments = paymentServices_;
  QPointer<MainWindow> window(this);
  services.storeBatch = [window, id = account.ID](int position, int32_t batch, TDateTime batchDate) {
    if (window) window->StoreBatch(position, id, batch, batchDate);
  };
  // A viewer opens as the last one was closed, in this profile.
  services.restoreLayout = [window](QWidget* viewer, QTableView* list) {
    if (!window || !window->store_) return false;
    const LayoutPlace place{window->store_, window->profileName_};
    RestoreWindowBounds(viewer, place, "fHistory");
    return RestoreColumnWidths(list, place, "List");
  };
  // A viewer still open when the program exits keeps nothing: the main window has saved the
  // layout by then, and the profile key is about to close.
  services.saveLayout = [window](const QWidget* viewer, const QTableView* list) {
    if (!window || !window->store_ || window->closing_) return;
    const LayoutPlace place{window->store_, window->profileName_};
    SaveColumnWidths(list, place, "List");
    SaveWindowBounds(viewer, place, "fHistory");
  };
  return services;
}

void MainWindow::StoreBatch(int position, const std::string& id, int32_t batch, TDateTime batchDate) {
  // Only the entry the history was fetched for: a table position is never reused for another
  // account while the profile is open, but the check costs nothing.
  if (!model_.IsValidPosition(position) || model_.Account(position).ID != id) return;
  ChangeAccount(
      position,
      [batch, batchDate](AccountRecord& entry) {
        entry.Batch = batch;
        entry.BatchDate = batchDate;
      },
      false);
}

}  // namespace nummora
