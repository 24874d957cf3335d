#include "history/history_list_model.h"

#include "ui/latin1.h"

namespace nummora {

HistoryListModel::HistoryListModel(AccountType type, QObject* parent)
    : QAbstractTableModel(parent), captions_(Captions(type)) {}

QStringList HistoryListModel::Captions(AccountType type) {
  if (type == AccountType::LibertyReserve)
    return {QStringLiteral("Date"),    QStringLiteral("Type"),    QStringLiteral("Transaction ID"),
            QStringLiteral("To/From"), QStringLiteral("Amount"),  QStringLiteral("Currency"),
            QStringLiteral("Memo"),    QStringLiteral("Merchant")};
  return {QStringLiteral("Date"),    QStringLiteral("Type"),    QStringLiteral("Batch"),
          QStringLiteral("To/From"), QStringLiteral("Amount"),  QStringLiteral("e-metal"),
          QStringLiteral("Memo"),    QStringLiteral("Merchant")};
}

void HistoryListModel::Append(const HistoryTable& rows) {
  if (rows.RowCount() == 0) return;
  const int first = static_cast<int>(table_.RowCount());
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.RowCount()) - 1);
  table_.Append(rows);
  endInsertRows();
}

int HistoryListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_.RowCount());
}

int HistoryListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kHistoryShownCells);
}

QVariant HistoryListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return QVariant();
  return FromLatin1(std::string(table_.Cell(index.row(), index.column())));
}

QVariant HistoryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= captions_.size())
    return QVariant();
  return captions_[section];
}

}  // namespace nummora
