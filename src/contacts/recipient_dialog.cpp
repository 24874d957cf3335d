#include "contacts/recipient_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "contacts/address_book.h"
#include "ui/latin1.h"
#include "ui/layout_scale.h"

namespace nummora {

namespace {
constexpr int kDesignRows = 5;
}

RecipientDialog::RecipientDialog(const std::vector<ContactRecord>& contacts, AccountType type,
                                 QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("fRecipient"));
  setWindowTitle(QStringLiteral("Recepient from address book"));
  const LayoutScale scale = LayoutScale::ForApplication();

  grid_ = new QTableWidget(kDesignRows, 2, this);
  grid_->setObjectName(QStringLiteral("Grid"));
  grid_->horizontalHeader()->hide();
  grid_->verticalHeader()->hide();
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setColumnWidth(0, scale.X(150));
  grid_->horizontalHeader()->setStretchLastSection(true);

  bContinue_ = new QPushButton(QStringLiteral("&Continue"), this);
  bContinue_->setObjectName(QStringLiteral("bContinue"));
  bContinue_->setDefault(true);  // Enter confirms; Esc closes without accepting (QDialog)
  connect(bContinue_, &QPushButton::clicked, this, &RecipientDialog::Confirm);
  connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row) {
    GridSelect(row);
    Confirm();
  });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(bContinue_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(grid_, 1);
  layout->addLayout(buttons);
  resize(scale.Size(320, 220));

  ResetForShow(contacts, type);
  // Only selections the user makes pick a number; filling the grid picks nothing.
  connect(grid_, &QTableWidget::currentCellChanged, this, [this](int row) { GridSelect(row); });
}

void RecipientDialog::ResetForShow(const std::vector<ContactRecord>& contacts, AccountType type) {
  accepted_ = false;
  pick_.clear();
  const auto rows = RecipientRows(contacts, type);
  // The first row is the fixed one and stays empty; with no contact listed the grid keeps its
  // empty design rows.
  if (!rows.empty()) grid_->setRowCount(static_cast<int>(rows.size()) + 1);
  for (int c = 0; c < 2; ++c) {
    auto* fixed = new QTableWidgetItem;
    fixed->setFlags(Qt::ItemIsEnabled);
    grid_->setItem(0, c, fixed);
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    grid_->setItem(static_cast<int>(i) + 1, 0, new QTableWidgetItem(FromLatin1(rows[i].first)));
    grid_->setItem(static_cast<int>(i) + 1, 1, new QTableWidgetItem(FromLatin1(rows[i].second)));
  }
  grid_->setCurrentCell(-1, -1);
}

void RecipientDialog::GridSelect(int row) {
  if (row < 1) return;  // the fixed row holds no contact
  const QTableWidgetItem* number = grid_->item(row, 1);
  pick_ = number ? ToLatin1(number->text()) : std::string();
}

void RecipientDialog::Confirm() {
  accepted_ = true;
  accept();
}

}  // namespace nummora
