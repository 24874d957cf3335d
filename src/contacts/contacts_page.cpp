#include "contacts/contacts_page.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/column_fitter.h"
#include "ui/latin1.h"
#include "ui/layout_scale.h"
#include "ui/record_list.h"

namespace nummora {

namespace {
// The picture every contact row carries: a head and shoulders.
QIcon ContactIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 60, 110), 1));
  p.setBrush(QColor(90, 130, 200));
  p.drawEllipse(QRectF(4.5, 1.5, 7, 7));
  p.drawChord(QRectF(1.5, 9.5, 13, 12), 0, 180 * 16);
  return QIcon(pixmap);
}
}  // namespace

ContactsPage::ContactsPage(QAction* newContact, QAction* editContact, QAction* deleteContact, QAction* spend,
                           QWidget* parent)
    : QWidget(parent) {
  setObjectName(QStringLiteral("ContactsPage"));
  const LayoutScale scale = LayoutScale::ForApplication();
  spendTo_ = new QAction(QStringLiteral("Spend &To"), this);
  spendTo_->setObjectName(QStringLiteral("SpendTo"));
  spendTo_->setIcon(QApplication::style()->standardIcon(QStyle::SP_DialogApplyButton));
  spendTo_->setEnabled(false);

  auto* toolbar = new QToolBar(this);
  toolbar->setObjectName(QStringLiteral("ContactsToolBar"));
  toolbar->setIconSize(QSize(24, 24));
  toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  toolbar->addActions({newContact, editContact, deleteContact});
  toolbar->addSeparator();
  toolbar->addAction(spendTo_);

  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("Contacts"));
  list_->setColumnCount(5);
  list_->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("E-gold #"), QStringLiteral("LR #"),
                          QStringLiteral("Email"), QStringLiteral("Comments")});
  MakeRecordList(list_);
  new ColumnFitter(list_);  // columns widen to what they show
  const int widths[] = {110, 80, 80, 110, 120};
  for (int c = 0; c < 5; ++c) list_->setColumnWidth(c, scale.X(widths[c]));
  list_->setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* separator = new QAction(list_);
  separator->setSeparator(true);
  list_->addActions({editContact, deleteContact, separator, spend});
  connect(list_, &QTreeWidget::itemSelectionChanged, this, &ContactsPage::SelectionChanged);
  connect(list_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { emit ContactActivated(list_->indexOfTopLevelItem(item)); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  layout->addWidget(toolbar);
  layout->addWidget(list_, 1);
}

void ContactsPage::ShowContacts(const std::vector<ContactRecord>& contacts) {
  list_->clear();
  for (const ContactRecord& c : contacts) AppendContact(c);
}

void ContactsPage::ShowContact(int index, const ContactRecord& c) {
  QTreeWidgetItem* item = list_->topLevelItem(index);
  if (!item) return;
  item->setIcon(0, ContactIcon());
  const std::string texts[] = {c.Name, c.EgoldID, c.LRID, c.Email, c.Comment};
  for (int col = 0; col < 5; ++col) item->setText(col, FromLatin1(texts[col]));
}

void ContactsPage::AppendContact(const ContactRecord& contact) {
  list_->addTopLevelItem(new QTreeWidgetItem);
  ShowContact(list_->topLevelItemCount() - 1, contact);
}

void ContactsPage::RemoveContact(int index) {
  // The selection goes first, so that no neighbour is selected for a moment.
  list_->selectionModel()->clear();
  delete list_->takeTopLevelItem(index);
}

int ContactsPage::SelectedIndex() const {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  return selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected.first());
}

void ContactsPage::Select(int index) {
  if (QTreeWidgetItem* item = list_->topLevelItem(index)) {
    list_->setCurrentItem(item);
    item->setSelected(true);
  } else {
    list_->clearSelection();
  }
}

}  // namespace nummora
