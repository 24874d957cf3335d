// The mass-payment table: its model and its view with the "Delete transaction" menu.
#include "payments/mass_table_view.h"

#include <QApplication>
#include <QMenu>
#include <QStyle>

#include "ui/latin1.h"
#include "ui/layout_scale.h"

namespace nummora {
namespace {

enum class Column { Account, Amount, Memo, TransferId, Count };

QIcon RowPicture(MassRowState state) {
  const QStyle::StandardPixmap pictures[] = {QStyle::SP_MessageBoxWarning, QStyle::SP_MessageBoxInformation,
                                             QStyle::SP_DialogApplyButton};
  return QApplication::style()->standardIcon(pictures[static_cast<int>(state)]);
}

}  // namespace

MassTableModel::MassTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void MassTableModel::SetTable(const MassTable& table) {
  beginResetModel();
  table_ = table;
  for (QIcon& picture : pictures_) picture = QIcon();
  endResetModel();
}

void MassTableModel::RemoveRow(int row, Currency amount) {
  if (row < 0 || row >= rowCount()) return;
  beginRemoveRows(QModelIndex(), row, row);
  if (table_.rows[row].state == MassRowState::NameFound) {
    --table_.count;
    table_.total -= amount;
  }
  table_.rows.erase(table_.rows.begin() + row);
  endRemoveRows();
}

int MassTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_.rows.size());
}

int MassTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Column::Count);
}

QVariant MassTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return QVariant();
  const MassRow& row = table_.rows[index.row()];
  const auto column = static_cast<Column>(index.column());
  if (role == Qt::DisplayRole) {
    switch (column) {
      case Column::Account:
        return FromLatin1(row.caption);
      case Column::Amount:
        return FromLatin1(row.amount);
      case Column::Memo:
        return FromLatin1(row.memo);
      case Column::TransferId:
        return FromLatin1(row.transferId);
      case Column::Count:
        break;
    }
    return QVariant();
  }
  if (column != Column::Account) return QVariant();
  if (role == kStateRole) return static_cast<int>(row.state);
  if (role == Qt::DecorationRole) {
    QIcon& picture = pictures_[static_cast<int>(row.state)];
    if (picture.isNull()) picture = RowPicture(row.state);
    return picture;
  }
  return QVariant();
}

QVariant MassTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
  static const char* const kCaptions[] = {"Account", "Amount", "Memo", "Trans. ID"};
  if (section < 0 || section >= static_cast<int>(Column::Count)) return QVariant();
  return QString::fromLatin1(kCaptions[section]);
}

MassTableView::MassTableView(QWidget* parent)
    : QTreeView(parent), model_(new MassTableModel(this)), menu_(new QMenu(this)) {
  setObjectName(QStringLiteral("LRMassList"));
  setModel(model_);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  const LayoutScale scale = LayoutScale::ForApplication();
  setColumnWidth(static_cast<int>(Column::Account), scale.X(170));
  setColumnWidth(static_cast<int>(Column::Amount), scale.X(55));
  setColumnWidth(static_cast<int>(Column::Memo), scale.X(140));
  menu_->setObjectName(QStringLiteral("PopupMass"));
  deleteAction_ = menu_->addAction(QStringLiteral("Delete transaction"));
  deleteAction_->setObjectName(QStringLiteral("DeleteTransaction"));
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (contextMenuPolicy() != Qt::CustomContextMenu) return;
    const QModelIndex current = currentIndex();
    deleteAction_->setEnabled(current.isValid() && selectionModel()->isSelected(current));
    menu_->popup(viewport()->mapToGlobal(at));
  });
  connect(deleteAction_, &QAction::triggered, this, [this] {
    const QModelIndex current = currentIndex();
    if (current.isValid() && contextMenuPolicy() == Qt::CustomContextMenu)
      emit deleteRequested(current.row());
  });
}

void MassTableView::Show(const MassTable& table, bool preview) {
  model_->SetTable(table);
  // The context menu with "Delete transaction" belongs to a preview only.
  setContextMenuPolicy(preview ? Qt::CustomContextMenu : Qt::NoContextMenu);
}

}  // namespace nummora
