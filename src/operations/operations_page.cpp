#include "operations/operations_page.h"

#include <QAction>
#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/column_fitter.h"
#include "ui/latin1.h"
#include "ui/layout_scale.h"
#include "ui/record_list.h"

namespace nummora {

namespace {

constexpr int kVisibleColumns = 4;
constexpr int kCellCount = 6;
constexpr int kKindRole = Qt::UserRole + 1;

// The picture of a kind of row: an arrow leaving (spent, red), an arrow arriving (received,
// green) or a double arrow (other, blue).
QIcon KindIcon(OperationKind kind) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QColor colour = kind == OperationKind::Spent      ? QColor(190, 40, 40)
                  : kind == OperationKind::Received ? QColor(30, 140, 50)
                                                    : QColor(50, 90, 180);
  p.setPen(QPen(colour.darker(130), 1));
  p.setBrush(colour);
  QPainterPath arrow;
  if (kind == OperationKind::Other) {
    arrow.addRect(3, 6, 10, 4);
    arrow.moveTo(0.5, 8);
    arrow.lineTo(5, 2.5);
    arrow.lineTo(5, 13.5);
    arrow.closeSubpath();
    arrow.moveTo(15.5, 8);
    arrow.lineTo(11, 2.5);
    arrow.lineTo(11, 13.5);
    arrow.closeSubpath();
  } else {
    const bool up = kind == OperationKind::Spent;
    const double tip = up ? 0.5 : 15.5;
    const double base = up ? 7 : 9;
    arrow.moveTo(8, tip);
    arrow.lineTo(1.5, base);
    arrow.lineTo(5.5, base);
    arrow.lineTo(5.5, up ? 15 : 1);
    arrow.lineTo(10.5, up ? 15 : 1);
    arrow.lineTo(10.5, base);
    arrow.lineTo(14.5, base);
    arrow.closeSubpath();
  }
  p.drawPath(arrow.simplified());
  return QIcon(pixmap);
}

// A row that sorts by its transaction number, highest first.
class OperationItem : public QTreeWidgetItem {
 public:
  using QTreeWidgetItem::QTreeWidgetItem;
  bool operator<(const QTreeWidgetItem& other) const override {
    return OperationListedBefore(ToLatin1(text(0)), ToLatin1(other.text(0)));
  }
};

QAction* MakeAction(QObject* owner, const char* name, const char* caption, const char* hint) {
  auto* a = new QAction(QString::fromLatin1(caption), owner);
  a->setObjectName(QString::fromLatin1(name));
  if (*hint) {
    a->setStatusTip(QString::fromLatin1(hint));
    a->setToolTip(QString::fromLatin1(hint));
  }
  a->setEnabled(false);
  return a;
}

}  // namespace

OperationsPage::OperationsPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("OperationsPage"));
  const LayoutScale scale = LayoutScale::ForApplication();
  clear_ = MakeAction(this, "Clear", "Clear", "Clear operation's list");
  viewDetails_ = MakeAction(this, "ViewDetails", "View details", "");
  emailDetails_ = MakeAction(this, "EmailDetails", "E-mail details", "");
  clear_->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
  viewDetails_->setIcon(style()->standardIcon(QStyle::SP_FileDialogInfoView));
  emailDetails_->setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));

  auto* toolbar = new QToolBar(this);
  toolbar->setObjectName(QStringLiteral("OperationsToolBar"));
  toolbar->setIconSize(QSize(24, 24));
  toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  toolbar->addActions({clear_, viewDetails_, emailDetails_});

  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("Operations"));
  list_->setColumnCount(1 + kCellCount);
  list_->setHeaderLabels({QStringLiteral("Transaction ID"), QStringLiteral("Date"), QStringLiteral("Account"),
                          QStringLiteral("Amount")});
  // Memo, merchant and source travel with the row without being shown.
  for (int c = kVisibleColumns; c <= kCellCount; ++c) list_->setColumnHidden(c, true);
  const int widths[] = {115, 60, 120, 100};
  for (int c = 0; c < kVisibleColumns; ++c) list_->setColumnWidth(c, scale.X(widths[c]));
  MakeRecordList(list_);
  new ColumnFitter(list_);                       // columns widen to what they show
  list_->header()->setSectionsClickable(false);  // the order is always by transaction number
  connect(list_, &QTreeWidget::itemSelectionChanged, this, &OperationsPage::UpdateActions);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] {
    if (SelectedRow()) emit RowActivated();
  });
  connect(clear_, &QAction::triggered, this, &OperationsPage::ClearRows);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  layout->addWidget(toolbar);
  layout->addWidget(list_, 1);
}

void OperationsPage::AddRow(const OperationRow& row) {
  auto* item = new OperationItem;
  item->setText(0, FromLatin1(row.caption));
  item->setIcon(0, KindIcon(row.kind));
  item->setData(0, kKindRole, static_cast<int>(row.kind));
  // Cells beyond the ones the row has stay unset, so a row keeps how many cells it has.
  for (std::size_t i = 0; i < row.cells.size() && i < kCellCount; ++i)
    item->setData(static_cast<int>(i) + 1, Qt::DisplayRole, FromLatin1(row.cells[i]));
  item->setData(1, Qt::UserRole, static_cast<int>(std::min<std::size_t>(row.cells.size(), kCellCount)));
  list_->addTopLevelItem(item);
  list_->sortItems(0, Qt::AscendingOrder);
  UpdateActions();
}

bool OperationsPage::Lists(int64_t number) const {
  for (int i = 0; i < list_->topLevelItemCount(); ++i)
    if (OperationNumber(ToLatin1(list_->topLevelItem(i)->text(0))) == number) return true;
  return false;
}

int OperationsPage::RowCount() const {
  return list_->topLevelItemCount();
}

OperationRow OperationsPage::RowAt(int index) const {
  OperationRow row;
  const QTreeWidgetItem* item = list_->topLevelItem(index);
  if (!item) return row;
  row.caption = ToLatin1(item->text(0));
  row.kind = static_cast<OperationKind>(item->data(0, kKindRole).toInt());
  const int cells = item->data(1, Qt::UserRole).toInt();
  for (int c = 1; c <= cells; ++c) row.cells.push_back(ToLatin1(item->text(c)));
  return row;
}

std::optional<OperationRow> OperationsPage::SelectedRow() const {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) return std::nullopt;
  return RowAt(list_->indexOfTopLevelItem(selected.first()));
}

void OperationsPage::ClearRows() {
  list_->selectionModel()->clear();
  list_->clear();
  UpdateActions();
}

void OperationsPage::UpdateActions() {
  const std::optional<OperationRow> selected = SelectedRow();
  clear_->setEnabled(list_->topLevelItemCount() > 0);
  viewDetails_->setEnabled(selected.has_value());
  emailDetails_->setEnabled(selected && selected->kind == OperationKind::Spent);
}

}  // namespace nummora
