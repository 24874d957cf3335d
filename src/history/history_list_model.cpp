#include "history/history_list_model.h"

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
  table_.Append(rows);
  ListAdded();
}

void HistoryListModel::ListAdded() {
  const int count = static_cast<int>(table_.RowCount());
  if (count == listed_) return;
  beginInsertRows(QModelIndex(), listed_, count - 1);
  listed_ = count;
  endInsertRows();
}

int HistoryListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : listed_;
}

int HistoryListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kHistoryShownCells);
}

QVariant HistoryListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return QVariant();
  const std::string_view cell = table_.Cell(std::size_t(index.row()), std::size_t(index.column()));
  return QString::fromLatin1(cell.data(), static_cast<qsizetype>(cell.size()));
}

QVariant HistoryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= captions_.size())
    return QVariant();
  return captions_[section];
}

}  // namespace nummora
