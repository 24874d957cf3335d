#pragma once
// The "Last operations" page of the main window: a toolbar with "Clear", "View details" and
// "E-mail details", and the list "Operations" of the payments of this run, always sorted by
// transaction number, highest first. The rows are not stored.
#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "operations/operation_row.h"

class QAction;
class QTreeWidget;
class QTreeWidgetItem;

namespace nummora {

class OperationsPage : public QWidget {
  Q_OBJECT
 public:
  explicit OperationsPage(QWidget* parent = nullptr);

  QTreeWidget* List() const { return list_; }
  QAction* Clear() const { return clear_; }
  QAction* ViewDetails() const { return viewDetails_; }
  QAction* EmailDetails() const { return emailDetails_; }

  // Adds a row in its sorted place.
  void AddRow(const OperationRow& row);
  // Whether a row carries this transaction number.
  bool Lists(int64_t number) const;
  int RowCount() const;
  // The row at a position of the list, and the selected row.
  OperationRow RowAt(int index) const;
  std::optional<OperationRow> SelectedRow() const;
  // Removes every row.
  void ClearRows();

 signals:
  // A row was double-clicked (after it was selected).
  void RowActivated();

 private:
  void UpdateActions();

  QTreeWidget* list_;
  QAction* clear_;
  QAction* viewDetails_;
  QAction* emailDetails_;
};

}  // namespace nummora
