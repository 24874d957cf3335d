#pragma once
// The history viewer: lists the transactions of one history download (an e-gold CSV export, or
// Liberty Reserve pages that it goes on asking for until it has them all), totals the e-gold
// amounts by kind, saves the replies to a file, prints the list, copies single cells, pre-fills
// an e-mail notice for a payment made and adds a counterpart to the address book. For e-gold it
// records the newest batch and the end of the period in the account table.
#include <QMainWindow>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "common/datetime.h"
#include "history/history_services.h"
#include "history/lr_history.h"
#include "net/request_worker.h"
#include "profile/model.h"

class QAction;
class QLabel;
class QPagedPaintDevice;
class QProgressBar;
class QTableView;

namespace nummora {

class EgoldHistoryReader;
class HistoryListModel;

class HistoryViewer : public QMainWindow {
  Q_OBJECT
 public:
  // `reply`: the first reply (CSV text or first page); `requestPrefix`: the Liberty Reserve
  // request up to its filters (empty for e-gold); `endDate`: the last day of the period.
  HistoryViewer(const AccountRecord& account, std::string reply, std::string requestPrefix, TDateTime endDate,
                const QString& caption, HistoryServices services, QWidget* parent = nullptr);
  ~HistoryViewer() override;

  // Every row is listed, the totals are shown and no page is awaited.
  bool Complete() const { return complete_; }
  // Paging stopped at a page that was an error.
  bool Failed() const { return failed_; }
  const HistoryListModel& Rows() const { return *model_; }
  // The texts of the status-bar panels, left to right.
  QStringList StatusTexts() const;
  // Whether the viewer still holds the account's pass phrase (or security word) or the Liberty
  // Reserve request with its token. Only the paging of a Liberty Reserve history needs them;
  // they are wiped when the paging ends and when the viewer closes (an e-gold viewer holds
  // them not at all).
  bool HoldsSecrets() const { return !account_.Password.empty() || !requestPrefix_.empty(); }

  // Writes every reply received to `path`, atomically; false with `error` set on failure.
  bool SaveTo(const QString& path, QString* error = nullptr) const;
  // Prints the list on `device`; the number of pages (0 when painting could not start).
  int PrintTo(QPagedPaintDevice& device) const;

 signals:
  // The list is complete (all rows, totals shown), or paging ended at an error.
  void Finished();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildWindow();
  void BuildActions();
  void ResetForShow();
  void ReadEgoldSlice();
  // Lists one Liberty Reserve page and asks for the next one, if any.
  void HandlePage(const std::string& page, bool first);
  void PageArrived(RequestWorker& worker);
  void AskForPage(int page, int pageCount);
  void ShowTotals();
  void ClearPanels();
  void AddPanel(const QString& text, int width);
  void Finish(bool failed);
  void WipeSecrets();
  int SelectedRow() const;
  std::string SelectedCell(std::size_t cell) const;
  void SelectionChanged();
  void ListContextMenu(const QPoint& pos);
  void OnSave();
  void OnPrint();
  void OnEmail();
  void OnAddContact();
  void CopyCell(std::size_t cell);

  AccountRecord account_;
  std::string requestPrefix_;
  TDateTime endDate_;
  QString caption_;
  HistoryServices services_;
  HostRef host_;
  FormatSettings numberFormat_;
  std::vector<std::string> replies_;  // the first reply and every page listed after it, in order
  std::unique_ptr<EgoldHistoryReader> reader_;
  RequestWorkerPtr worker_;
  bool shown_ = false;
  bool closed_ = false;
  bool complete_ = false;
  bool failed_ = false;
  bool widthsRestored_ = false;
  LRHistoryPaging paging_;  // the Liberty Reserve pages listed and the limits of one history

  HistoryListModel* model_ = nullptr;
  QTableView* list_ = nullptr;
  QProgressBar* progress_ = nullptr;
  std::vector<QLabel*> panels_;
  QAction* saveToFile_ = nullptr;
  QAction* print_ = nullptr;
  QAction* emailDetails_ = nullptr;
  QAction* addToAddressBook_ = nullptr;
  QAction* copyBatch_ = nullptr;
  QAction* copyAccount_ = nullptr;
  QAction* copyMemo_ = nullptr;
  QAction* copyMerchant_ = nullptr;
};

}  // namespace nummora
