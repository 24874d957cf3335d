#include "app/accounts_table_model.h"

#include "app/account_rows.h"
#include "ui/icons.h"
#include "ui/latin1.h"

namespace nummora {

AccountsTableModel::AccountsTableModel(const ProfileModel& profile, const FormatSettings& regional,
                                       EgoldValue egoldValue, QObject* parent)
    : QAbstractTableModel(parent),
      profile_(profile),
      regional_(regional),
      egoldValue_(std::move(egoldValue)) {}

int AccountsTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int AccountsTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant AccountsTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumnCount) return {};
  const Row& row = rows_[static_cast<size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return row.cells[index.column()];
    case Qt::DecorationRole:
      if (index.column() == 0 && row.type) return AccountTypeIcon(*row.type);
      return {};
    case kPositionRole:
      if (index.column() == 0 && row.position >= 0) return row.position;
      return {};
    default:
      return {};
  }
}

bool AccountsTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::EditRole))
    return false;
  rows_[static_cast<size_t>(index.row())].cells[index.column()] = value.toString();
  emit dataChanged(index, index, {Qt::DisplayRole});
  return true;
}

QVariant AccountsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (static_cast<Column>(section)) {
    case Column::Account:
      return QStringLiteral("Account");
    case Column::Balance:
      return QStringLiteral("Balance");
    case Column::Updated:
      return QStringLiteral("Last update");
  }
  return {};
}

Qt::ItemFlags AccountsTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

void AccountsTableModel::ShowAllRows() {
  beginResetModel();
  rows_.assign(static_cast<size_t>(profile_.RowCount()), Row{});
  endResetModel();
  for (int row = 0; row < profile_.RowCount(); ++row) ShowRow(row);
}

void AccountsTableModel::AppendRow() {
  const int row = rowCount();
  beginInsertRows({}, row, row);
  rows_.emplace_back();
  endInsertRows();
}

void AccountsTableModel::RemoveRow(int row) {
  if (row < 0 || row >= rowCount()) return;
  beginRemoveRows({}, row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
}

void AccountsTableModel::ShowRow(int row) {
  if (row < 0 || row >= profile_.RowCount() || row >= rowCount()) return;
  const int position = profile_.AccountOfRow(row);
  if (!profile_.IsValidPosition(position)) return;
  const AccountRecord& account = profile_.Account(position);
  const std::optional<Currency> egold =
      account.Type == AccountType::Egold && egoldValue_ ? egoldValue_(account) : Currency(0);
  Row fresh;
  fresh.type = account.Type;
  fresh.cells[0] = FromLatin1(AccountLabel(account));
  // No value rather than one computed from prices in another currency.
  fresh.cells[1] = egold ? FromLatin1(BalanceText(RowAmount(account, profile_.DisplayCurrency, *egold),
                                                  profile_.DisplayCurrency))
                         : QString();
  fresh.cells[2] = account.Updated == 0 ? QString() : FromLatin1(DateTimeToStr(account.Updated, regional_));
  fresh.position = position;
  Row& shown = rows_[static_cast<size_t>(row)];
  // Only the cells that changed are announced, each on its own: the view then repaints those
  // cells rather than the whole list (a range of cells repaints every row in view), which an
  // update of all balances would otherwise do after each answer.
  bool changed[kColumnCount] = {};
  changed[0] = fresh.type != shown.type || fresh.position != shown.position;
  for (int column = 0; column < kColumnCount; ++column)
    changed[column] = changed[column] || fresh.cells[column] != shown.cells[column];
  shown = std::move(fresh);
  for (int column = 0; column < kColumnCount; ++column)
    if (changed[column]) emit dataChanged(index(row, column), index(row, column));
}

QString AccountsTableModel::Caption(int row) const {
  if (row < 0 || row >= rowCount()) return {};
  return rows_[static_cast<size_t>(row)].cells[0];
}

}  // namespace nummora
