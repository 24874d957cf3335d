#pragma once
// The history list's model: the rows of a HistoryTable in list order under the eight column
// captions of the account's payment system. Rows are only ever appended, a slice at a time.
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

  void Append(const HistoryTable& rows);
  const HistoryTable& Table() const { return table_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  QStringList captions_;
  HistoryTable table_;
};

}  // namespace nummora
