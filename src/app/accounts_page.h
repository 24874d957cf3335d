#pragma once
// The accounts tab of the main window: its tool bar, the accounts list (a view over
// AccountsTableModel) with its context menu, and the details pane of the selected account with
// the metal rates. Columns widen to what they show; the page says when they did.
#include <QWidget>
#include <optional>

#include "app/accounts_table_model.h"
#include "common/format_settings.h"
#include "market/rates.h"
#include "profile/model.h"

class QTreeView;

namespace nummora {

class ColumnFitter;
class MetalsPane;
struct MainActions;

class AccountsPage : public QWidget {
  Q_OBJECT
 public:
  // `profile` is the model the rows show and whose selected row the page keeps; `regional` and
  // `numberFormat` format the rows and the details pane.
  AccountsPage(ProfileModel& profile, const MainActions& actions, const FormatSettings& regional,
               const FormatSettings& numberFormat, AccountsTableModel::EgoldValue egoldValue,
               QWidget* parent = nullptr);

  QTreeView* View() const { return view_; }
  AccountsTableModel* Rows() const { return rows_; }
  int RowCount() const { return rows_->rowCount(); }
  QString Caption(int row) const { return rows_->Caption(row); }

  // Rebuilds every row from the profile model.
  void ShowAllRows();
  void AppendRow() { rows_->AppendRow(); }
  void RemoveRow(int row) { rows_->RemoveRow(row); }
  // Drops the selection and the current row (before a row is removed: removing the current row
  // of a single-selection list would otherwise select its neighbour for a moment).
  void ClearSelection();
  // Shows a row's account again, and the details pane when it is the selected row.
  void ShowRow(int row);
  // Selects a row (-1 for none).
  void SelectRow(int row);
  // Shows the selected row's account in the details pane; nothing when no row is selected.
  void ShowDetails();
  // Takes new rates: the details pane shows them and every row is shown again at them.
  void ShowRates(const RatesState& rates);
  const RatesState& Rates() const { return rates_; }
  void SetDisplayCurrency(const std::string& currency);
  // How much wider than their views the list and the metals need to be (0 or less: none).
  int ExcessWidth() const;
  // Whether the metals list of the details pane is shown.
  bool MetalsShown() const;

 signals:
  // The selection changed; `row` is the selected row, or -1 when none is.
  void SelectionChanged(int row);
  // A row was double-clicked.
  void RowActivated();
  // The columns of the list or of the metals were widened.
  void ColumnsFitted();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildList(const MainActions& actions);
  void OnSelectionChanged();

  ProfileModel& profile_;
  FormatSettings regional_;
  FormatSettings numberFormat_;
  AccountsTableModel* rows_ = nullptr;
  QTreeView* view_ = nullptr;
  MetalsPane* details_ = nullptr;
  ColumnFitter* listFitter_ = nullptr;
  ColumnFitter* metalsFitter_ = nullptr;
  RatesState rates_;  // as last read, in the currency they were asked in
};

}  // namespace nummora
