#include "app/accounts_page.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/main_actions.h"
#include "market/metals_pane_widget.h"
#include "ui/column_fitter.h"
#include "ui/layout_scale.h"
#include "ui/record_list.h"

namespace nummora {

AccountsPage::AccountsPage(ProfileModel& profile, const MainActions& actions, const FormatSettings& regional,
                           const FormatSettings& numberFormat, AccountsTableModel::EgoldValue egoldValue,
                           QWidget* parent)
    : QWidget(parent), profile_(profile), regional_(regional), numberFormat_(numberFormat) {
  setObjectName(QStringLiteral("tsAccounts"));
  rows_ = new AccountsTableModel(profile_, regional_, std::move(egoldValue), this);

  auto* toolbar = new QToolBar(this);
  toolbar->setObjectName(QStringLiteral("ToolBar"));
  toolbar->setIconSize(QSize(24, 24));
  toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  toolbar->addActions({actions.newAccount, actions.deleteAccount, actions.info});
  toolbar->addSeparator();
  toolbar->addActions({actions.balance, actions.spend, actions.viewHistory});
  toolbar->addSeparator();
  toolbar->addActions({actions.moveUp, actions.moveDown});

  BuildList(actions);
  details_ = new MetalsPane(this);
  details_->SetDisplayCurrency(profile_.DisplayCurrency);
  // Columns widen to what they show, and the window with them while the user has not sized it.
  listFitter_ = new ColumnFitter(view_);
  metalsFitter_ = new ColumnFitter(details_->List());
  for (ColumnFitter* fitter : {listFitter_, metalsFitter_})
    connect(fitter, &ColumnFitter::Fitted, this, &AccountsPage::ColumnsFitted);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  layout->addWidget(toolbar);
  layout->addWidget(view_, 1);
  layout->addWidget(details_);
}

void AccountsPage::BuildList(const MainActions& actions) {
  view_ = new QTreeView(this);
  view_->setObjectName(QStringLiteral("List"));
  view_->setModel(rows_);
  MakeRecordList(view_);
  view_->setIconSize(QSize(25, 25));
  const LayoutScale scale = LayoutScale::ForApplication();
  QFont font = view_->font();
  font.setPixelSize(scale.Y(13));
  view_->setFont(font);
  view_->setColumnWidth(0, scale.X(163));
  view_->setColumnWidth(1, scale.X(80));
  view_->setColumnWidth(2, scale.X(122));
  view_->setContextMenuPolicy(Qt::ActionsContextMenu);
  view_->installEventFilter(this);
  auto* separator = new QAction(view_);
  separator->setSeparator(true);
  view_->addActions({actions.balance, actions.updateAll, actions.spend, actions.viewHistory, actions.info,
                     separator, actions.copyNumber});
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &AccountsPage::OnSelectionChanged);
  connect(view_, &QTreeView::doubleClicked, this, &AccountsPage::RowActivated);
}

void AccountsPage::OnSelectionChanged() {
  const QModelIndexList selected = view_->selectionModel()->selectedRows();
  // Losing the selection changes nothing on screen; only the commands follow it.
  const int row = selected.isEmpty() ? -1 : selected.first().row();
  profile_.SetSelectedRow(row);
  if (row >= 0) ShowDetails();
  emit SelectionChanged(row);
}

void AccountsPage::ClearSelection() {
  view_->selectionModel()->clear();
}

void AccountsPage::ShowAllRows() {
  rows_->ShowAllRows();
  if (profile_.SelectedRow() >= 0) ShowDetails();
}

void AccountsPage::ShowRow(int row) {
  if (row < 0 || row >= profile_.RowCount() || row >= rows_->rowCount()) return;
  rows_->ShowRow(row);
  if (row == profile_.SelectedRow()) ShowDetails();
}

void AccountsPage::SelectRow(int row) {
  if (row >= 0 && row < rows_->rowCount()) {
    const QModelIndex index = rows_->index(row, 0);
    view_->setCurrentIndex(index);
    view_->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
  } else {
    view_->clearSelection();
  }
}

void AccountsPage::ShowDetails() {
  const int position = profile_.AccountOfRow(profile_.SelectedRow());
  if (profile_.SelectedRow() < 0 || !profile_.IsValidPosition(position)) return;
  // The preferences may have changed the display currency since the last showing.
  details_->SetDisplayCurrency(profile_.DisplayCurrency);
  details_->ShowAccount(profile_.Account(position), RatesIn(rates_, profile_.DisplayCurrency), numberFormat_,
                        regional_);
}

void AccountsPage::ShowRates(const RatesState& rates) {
  rates_ = rates;
  details_->ShowRates(ShownRates(rates_, profile_.DisplayCurrency));
  // Showing the rows again also shows the selected account in the details pane at the new rates.
  for (int row = 0; row < profile_.RowCount(); ++row) ShowRow(row);
}

void AccountsPage::SetDisplayCurrency(const std::string& currency) {
  details_->SetDisplayCurrency(currency);
}

int AccountsPage::ExcessWidth() const {
  // Room for the vertical scroll bar the list shows once it holds more rows than fit.
  const int scrollBar =
      view_->verticalScrollBar()->isVisible() ? 0 : view_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  return std::max(listFitter_->NeededWidth() + scrollBar - view_->viewport()->width(),
                  metalsFitter_->NeededWidth() - details_->List()->viewport()->width());
}

bool AccountsPage::MetalsShown() const {
  // Hidden only for a Liberty Reserve account; a window hidden in the tray still shows it.
  return !details_->List()->isHidden();
}

bool AccountsPage::eventFilter(QObject* watched, QEvent* e) {
  if (watched == view_ && e->type() == QEvent::ShortcutOverride) {
    // Page Up and Page Down move accounts; the list must not keep them for paging.
    auto* key = static_cast<QKeyEvent*>(e);
    if (key->modifiers() == Qt::NoModifier &&
        (key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown)) {
      e->ignore();
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}

}  // namespace nummora
