#pragma once
// The history list's model: the rows of a HistoryTable in list order under the eight column
// captions of the account's payment system. Rows are only ever appended: a reader may add rows
// to the table a slice at a time and list them now and then, so that a long history is laid
// out and painted a few times rather than once per slice.
#include <QAbstractTableModel>
#include <QStringList>

#include "common/account_type.h"
#include "history/history_table.h"

namespace nummora {

class HistoryListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // `type`: the account's payment system , for the captions.
  explicit HistoryListModel(AccountType type, QObject* parent = nullptr);

  // The column captions of a payment system.
  static QStringList Captions(AccountType type);

  // Appends the rows and lists them.
  void Append(const HistoryTable& rows);
  // The table to add rows to; they are listed by the next ListAdded().
  HistoryTable& Growing() { return table_; }
  // Lists the rows added to the table since the last call.
  void ListAdded();
  // Every row of the table, listed or not yet.
  const HistoryTable& Table() const { return table_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  QStringList captions_;
  HistoryTable table_;
  int listed_ = 0;  // the first rows of table_ that the views know of
};

}  // namespace nummora
