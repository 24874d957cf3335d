#include "ui/balloon_widget.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QTimer>

namespace nummora {

namespace {
constexpr int kArrow = 10;
}

BalloonTip::BalloonTip(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint),
      icon_label_(new QLabel(this)),
      title_(new QLabel(this)),
      text_(new QLabel(this)),
      timer_(new QTimer(this)) {
  setObjectName(QStringLiteral("Balloon"));
  setAttribute(Qt::WA_TranslucentBackground);
  title_->setObjectName(QStringLiteral("lBalloonTitle"));
  text_->setObjectName(QStringLiteral("lBalloonText"));
  title_->setTextFormat(Qt::PlainText);
  text_->setTextFormat(Qt::PlainText);
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(10, 8 + kArrow, 12, 10);
  layout->setHorizontalSpacing(8);
  layout->addWidget(icon_label_, 0, 0, Qt::AlignTop);
  layout->addWidget(title_, 0, 1);
  layout->addWidget(text_, 1, 1);
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, &QWidget::hide);
}

void BalloonTip::ShowAt(QWidget* anchor, Icon icon, const QString& title, const QString& text, int msecs) {
  icon_ = icon;
  QStyle::StandardPixmap pixmap = QStyle::SP_CustomBase;
  switch (icon) {
    case Icon::Information:
      pixmap = QStyle::SP_MessageBoxInformation;
      break;
    case Icon::Warning:
      pixmap = QStyle::SP_MessageBoxWarning;
      break;
    case Icon::Error:
      pixmap = QStyle::SP_MessageBoxCritical;
      break;
    case Icon::None:
      break;
  }
  if (pixmap != QStyle::SP_CustomBase) {
    icon_label_->setPixmap(QApplication::style()->standardIcon(pixmap).pixmap(20, 20));
    icon_label_->show();
  } else {
    icon_label_->hide();
  }
  title_->setText(title);
  text_->setText(text);
  adjustSize();
  if (anchor) {
    const QPoint at = anchor->mapToGlobal(QPoint(anchor->width() / 4, anchor->height()));
    move(at.x() - 16, at.y());
  }
  show();
  raise();
  timer_->start(msecs);
}

QString BalloonTip::Title() const {
  return title_->text();
}
QString BalloonTip::Text() const {
  return text_->text();
}

void BalloonTip::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF body = QRectF(rect()).adjusted(0.5, kArrow + 0.5, -0.5, -0.5);
  QPainterPath path;
  path.addRoundedRect(body, 6, 6);
  QPainterPath arrow;
  arrow.moveTo(16, kArrow + 1);
  arrow.lineTo(24, 0.5);
  arrow.lineTo(32, kArrow + 1);
  arrow.closeSubpath();
  path = path.united(arrow);
  p.setPen(QPen(palette().color(QPalette::ToolTipText), 1));
  p.setBrush(palette().color(QPalette::ToolTipBase));
  p.drawPath(path);
}

void BalloonTip::mousePressEvent(QMouseEvent*) {
  hide();
}

}  // namespace nummora
