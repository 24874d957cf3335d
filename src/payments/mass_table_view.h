#pragma once
// The table of a Liberty Reserve mass payment: one row a line of the list, with the account (or
// the reason the line was refused), the amount, the memo and the receipt id, and a picture of
// the row's state. MassTableModel holds the table a preview or a receipt made; MassTableView
// shows it and, on a preview, offers "Delete transaction" on the row under the cursor.
#include <QAbstractTableModel>
#include <QIcon>
#include <QTreeView>

#include "payments/lr_mass.h"

class QMenu;

namespace nummora {

class MassTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // The role that gives a row's state, as the int of its MassRowState.
  static constexpr int kStateRole = Qt::UserRole;

  explicit MassTableModel(QObject* parent = nullptr);

  void SetTable(const MassTable& table);
  const MassTable& Table() const { return table_; }
  // Takes a row out; a row whose payee was found takes `amount` off the total and itself off
  // the count.
  void RemoveRow(int row, Currency amount);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  MassTable table_;
  // One picture for each state, shared by its rows: a style may read its pictures from files
  // at every request, which for a thousand rows stalled the window.
  mutable QIcon pictures_[3];
};

class MassTableView : public QTreeView {
  Q_OBJECT
 public:
  explicit MassTableView(QWidget* parent = nullptr);

  // Shows a table; a preview offers "Delete transaction" on its rows, a receipt does not.
  void Show(const MassTable& table, bool preview);
  const MassTable& Table() const { return model_->Table(); }
  void RemoveRow(int row, Currency amount) { model_->RemoveRow(row, amount); }

 signals:
  // The user asked to take a row out of the preview.
  void deleteRequested(int row);

 private:
  MassTableModel* model_;
  QMenu* menu_;
  QAction* deleteAction_;
};

}  // namespace nummora
