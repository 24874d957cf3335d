#pragma once
// The history download dialog: the period, the kinds of transactions and the filters of one
// account's history, the request to e-gold (CSV export) or Liberty Reserve (first XML page),
// and the hand-over of a good reply to a new history viewer.
#include <QDialog>
#include <string>

#include "history/history_services.h"
#include "history/lr_history.h"
#include "net/request_worker.h"
#include "profile/model.h"

class QCheckBox;
class QGridLayout;
class QDateEdit;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace nummora {

class HistoryViewer;
class LayoutScale;

class HistoryDownloadDialog : public QDialog {
  Q_OBJECT
 public:
  // `account`: a copy of the account the history is of, taken when the dialog is created.
  HistoryDownloadDialog(const AccountRecord& account, HistoryServices services, QWidget* parent = nullptr);
  // Wipes the pass phrase and the request it holds.
  ~HistoryDownloadDialog() override;

  // The period, kinds and filters as the controls give them.
  HistoryFilters Filters() const;
  bool Downloading() const { return downloading_; }
  // Whether the dialog still holds the account's pass phrase (or security word) or the last
  // Liberty Reserve request with its token. They are kept while the dialog is open, for a
  // download tried again, and wiped when the dialog closes.
  bool HoldsSecrets() const { return !account_.Password.empty() || !requestPrefix_.empty(); }

 signals:
  // A viewer was opened for a good reply (the dialog closes right after).
  void ViewerOpened(nummora::HistoryViewer* viewer);

 public slots:
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildWindow();
  void BuildKindChecks(QGridLayout* grid);
  void BuildMatchEdits(QGridLayout* grid);
  void BuildButtons(const LayoutScale& scale);
  void ResetForShow();
  void OnDownloadClicked();
  void OnSelectClicked();
  void SetAll(bool ticked);
  void SetDownloading(bool downloading);
  bool StartRequest();
  void Completed(RequestWorker& worker);
  void OpenViewer(const std::string& reply);

  AccountRecord account_;
  HistoryServices services_;
  HostRef host_;
  RequestWorkerPtr worker_;
  std::string requestPrefix_;
  bool closed_ = true;
  bool downloading_ = false;

  QWidget* panel_ = nullptr;
  QDateEdit* dateFrom_ = nullptr;
  QDateEdit* dateTo_ = nullptr;
  QCheckBox* chkReceived_ = nullptr;
  QCheckBox* chkMade_ = nullptr;
  QCheckBox* chkInExch_ = nullptr;
  QCheckBox* chkOutExch_ = nullptr;
  QCheckBox* chkRedemptions_ = nullptr;
  QCheckBox* chkBailments_ = nullptr;
  QCheckBox* chkFees_ = nullptr;
  QCheckBox* chkIncentive_ = nullptr;
  QLineEdit* eBatch_ = nullptr;
  QLineEdit* eRecipient_ = nullptr;
  QToolButton* bSelect_ = nullptr;
  QLineEdit* eMerchant_ = nullptr;
  QPushButton* bDownload_ = nullptr;
  QPushButton* bCancel_ = nullptr;
  QProgressBar* progress_ = nullptr;
};

}  // namespace nummora
