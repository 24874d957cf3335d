#include "market/metals_pane_widget.h"

#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/latin1.h"

namespace nummora {

QIcon RatePictureIcon(RatePicture picture) {
  if (picture == RatePicture::None) return QIcon();
  QPixmap pixmap(12, 12);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  QPolygon arrow;
  if (picture == RatePicture::Rising) {
    painter.setBrush(QColor(0, 150, 0));
    arrow << QPoint(6, 1) << QPoint(11, 9) << QPoint(1, 9);
  } else {
    painter.setBrush(QColor(200, 0, 0));
    arrow << QPoint(1, 3) << QPoint(11, 3) << QPoint(6, 11);
  }
  painter.drawPolygon(arrow);
  painter.end();
  return QIcon(pixmap);
}

MetalsPane::MetalsPane(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("pMetals"));
  lMetals_ = new QLabel(QStringLiteral("Details of"), this);
  lMetals_->setObjectName(QStringLiteral("lMetals"));
  lMetals_->setTextFormat(Qt::PlainText);

  metals_ = new QTreeWidget(this);
  metals_->setObjectName(QStringLiteral("Metals"));
  metals_->setRootIsDecorated(false);
  metals_->setSelectionBehavior(QAbstractItemView::SelectRows);
  metals_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  metals_->setAlternatingRowColors(false);
  metals_->setStyleSheet(QStringLiteral("QTreeView::item { border: 1px solid #d9d9d9; }"));
  metals_->setHeaderLabels({QStringLiteral("E-metal"), QStringLiteral("Weight (oz. troy)"),
                            QStringLiteral("Equiv. grams"), QStringLiteral("Rate"),
                            QStringLiteral("Amount in ")});
  for (const char* caption : kMetalCaptions) {
    auto* row = new QTreeWidgetItem(metals_);
    row->setText(kMetalColumn, QString::fromLatin1(caption));
    row->setData(kRateColumn, kPictureRole, static_cast<int>(RatePicture::None));
  }

  metals_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  connect(metals_->horizontalScrollBar(), &QScrollBar::rangeChanged, this, &MetalsPane::KeepFourRowsInView);
  KeepFourRowsInView();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(lMetals_);
  layout->addWidget(metals_, 1);
}

void MetalsPane::KeepFourRowsInView() {
  const QScrollBar* bar = metals_->horizontalScrollBar();
  const int scroll = bar->maximum() > 0 ? bar->sizeHint().height() : 0;
  metals_->setFixedHeight(metals_->header()->sizeHint().height() + kMetalCount * metals_->sizeHintForRow(0) +
                          2 * metals_->frameWidth() + 2 + scroll);
}

void MetalsPane::SetDisplayCurrency(const std::string& displayCurrency) {
  metals_->headerItem()->setText(kAmountColumn, QStringLiteral("Amount in ") + FromLatin1(displayCurrency));
}

void MetalsPane::ShowRates(const RatesState& rates) {
  for (int metal = 0; metal < kMetalCount; ++metal) {
    QTreeWidgetItem* row = metals_->topLevelItem(metal);
    row->setText(kRateColumn, FromLatin1(rates.cells[metal]));
    row->setIcon(kRateColumn, RatePictureIcon(rates.pictures[metal]));
    row->setData(kRateColumn, kPictureRole, static_cast<int>(rates.pictures[metal]));
  }
  // The rate pictures make the rows taller than text alone.
  KeepFourRowsInView();
}

void MetalsPane::ShowAccount(const AccountRecord& account, const std::optional<MetalAmounts>& rates,
                             const FormatSettings& numberFormat, const FormatSettings& regional) {
  lMetals_->setText(FromLatin1(DetailsCaption(account, regional)));
  if (!ShowsMetalDetails(account)) {
    metals_->hide();
    return;
  }
  metals_->show();
  const auto details = MetalDetails(account, rates, numberFormat);
  for (int metal = 0; metal < kMetalCount; ++metal) {
    QTreeWidgetItem* row = metals_->topLevelItem(metal);
    row->setText(kWeightColumn, FromLatin1(details[metal].weight));
    row->setText(kGramsColumn, FromLatin1(details[metal].grams));
    row->setText(kAmountColumn, FromLatin1(details[metal].value));
  }
}

}  // namespace nummora
